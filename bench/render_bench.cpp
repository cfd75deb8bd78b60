// Whole frames through Mesa (llvmpipe) in the headless EGL context: the time
// a full-screen tick costs on this machine, CPU and rasterisation together.
#include <benchmark/benchmark.h>

#include <string>

#include "host/fpu_control.h"
#include "host/headless/render_session.h"

namespace {

void FullScreenFrame(benchmark::State& state, int width, int height, bool preview) {
  InstallFpuControlWord();
  RenderOptions options;
  options.Width = width;
  options.Height = height;
  options.At = ParseMoment("2026-12-20 14:25:10");
  options.Seed = 1;
  options.Preview = preview;
  std::string error;
  auto session = RenderSession::Start(options, error);
  if (!session) {
    state.SkipWithError(error.c_str());
    return;
  }
  session->RunFrame();  // the first frame compiles shaders and warms caches
  for (auto _ : state) session->RunFrame();  // each frame ends with glFinish
  state.SetItemsProcessed(state.iterations());
}

void BM_FullScreenFrame_1920x1080(benchmark::State& state) { FullScreenFrame(state, 1920, 1080, false); }
void BM_PreviewFrame_152x112(benchmark::State& state) { FullScreenFrame(state, 152, 112, true); }

BENCHMARK(BM_FullScreenFrame_1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PreviewFrame_152x112)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
