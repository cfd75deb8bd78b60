// The web build's CPU work per frame, natively: the scene drawn through the
// OpenGL 1.1 layer onto an OpenGL ES 3 that does nothing. Set against
// quillmoor_bench_cpu's BM_FrameCpu_FullScreen (the scene alone, onto an
// OpenGL 1.1 that does nothing), the difference is the layer's own cost.
// The glyphs come from the Linux font, compiled into the layer's lists.
#include <benchmark/benchmark.h>

#include "base/fpu_control.h"
#include "base/opengl.h"
#include "frame/frame.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"
#include "outline_bench_platform.h"
#include "null_es3.h"

namespace {

OutlineBenchPlatform platform(false);

void FrameThroughLayer(benchmark::State& state, SceneKind kind, int width, int height, int warmFrames) {
  InstallFpuControlWord();
  UsePlatform(&platform);
  Gl11Start();
  CreateScene(kind, width, height, 1);
  SetUpRenderingState(kind, width, height);
  for (int n = 0; n < warmFrames; ++n) DrawFrame(kind);
  const long long draws = nulles3::Draws(), bytes = nulles3::UploadedBytes();
  const Gl11Counters counts = Gl11Counts();
  for (auto _ : state) {
    ClearAroundScene();
    DrawFrame(kind);
  }
  const double frames = double(state.iterations() ? state.iterations() : 1);
  state.counters["draws/frame"] = double(nulles3::Draws() - draws) / frames;
  state.counters["uploads/frame"] = double(Gl11Counts().Uploads - counts.Uploads) / frames;
  state.counters["followed/frame"] = double(Gl11Counts().Followed - counts.Followed) / frames;
  state.counters["shaded/frame"] = double(Gl11Counts().ShadedDraws - counts.ShadedDraws) / frames;
  state.counters["MB/frame"] = double(nulles3::UploadedBytes() - bytes) / frames / 1e6;
}

void BM_FrameThroughLayer_FullScreen(benchmark::State& state) {
  FrameThroughLayer(state, SceneKind::FullScreen, 1280, 720, 0);
}
BENCHMARK(BM_FrameThroughLayer_FullScreen)->Unit(benchmark::kMicrosecond);

// After 1,200 frames, when the snow has spread over the view.
void BM_FrameThroughLayer_FullScreen_Steady(benchmark::State& state) {
  FrameThroughLayer(state, SceneKind::FullScreen, 1280, 720, 1200);
}
BENCHMARK(BM_FrameThroughLayer_FullScreen_Steady)->Unit(benchmark::kMicrosecond);

void BM_FrameThroughLayer_Preview(benchmark::State& state) {
  FrameThroughLayer(state, SceneKind::Preview, 320, 240, 0);
}
BENCHMARK(BM_FrameThroughLayer_Preview)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
