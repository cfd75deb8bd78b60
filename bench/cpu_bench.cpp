// The scene's own CPU work per frame: an OpenGL that does nothing stands in
// for the driver, so what is left is the scene's arithmetic and the cost of
// making one call per vertex, normal and colour.
#include <benchmark/benchmark.h>

#include "bench_scene.h"
#include "clock/clock_pass.h"
#include "curtain/curtain.h"
#include "frame/countdown.h"
#include "frame/frame.h"
#include "host/scene_setup/scene_setup.h"
#include "null_gl.h"
#include "snow/flakes.h"
#include "snow/ground.h"

namespace {

// Runs `step` once per iteration and reports the vertices it sent per run.
template <class Step>
void RunCountingVertices(benchmark::State& state, Step step) {
  const long long before = nullgl::Vertices();
  for (auto _ : state) step();
  state.counters["vertices/frame"] =
      double(nullgl::Vertices() - before) / double(state.iterations() ? state.iterations() : 1);
}

void BM_FrameCpu_FullScreen(benchmark::State& state) {
  SetUpBenchScene(SceneKind::FullScreen, 1920, 1080);
  RunCountingVertices(state, Timer1Timer);
}
BENCHMARK(BM_FrameCpu_FullScreen)->Unit(benchmark::kMicrosecond);

// The same after 1,200 frames, when the snow has spread over the view and
// flakes are being reborn.
void BM_FrameCpu_FullScreen_Steady(benchmark::State& state) {
  SetUpBenchScene(SceneKind::FullScreen, 1920, 1080);
  for (int n = 0; n < 1200; ++n) Timer1Timer();
  RunCountingVertices(state, Timer1Timer);
}
BENCHMARK(BM_FrameCpu_FullScreen_Steady)->Unit(benchmark::kMicrosecond);

// The preview's frame: the smaller grids of the preview window.
void BM_FrameCpu_Preview(benchmark::State& state) {
  SetUpBenchScene(SceneKind::Preview, 152, 112);
  for (auto _ : state) DrawPreviewFrame();
}
BENCHMARK(BM_FrameCpu_Preview)->Unit(benchmark::kMicrosecond);

// The clock's numerals, dial marks and hands: 7,656 triangles a frame.
void BM_ClockPassCpu(benchmark::State& state) {
  SetUpBenchScene(SceneKind::FullScreen, 1920, 1080);
  for (auto _ : state) DrawClockFace();
}
BENCHMARK(BM_ClockPassCpu)->Unit(benchmark::kMicrosecond);

// The countdown: its arithmetic, four numbers formatted, six lines placed and
// printed (the glyph lists themselves run in the driver, not here).
void BM_CountdownPassCpu(benchmark::State& state) {
  SetUpBenchScene(SceneKind::FullScreen, 1920, 1080);
  for (auto _ : state) DrawCountdown(SceneKind::FullScreen);
}
BENCHMARK(BM_CountdownPassCpu)->Unit(benchmark::kNanosecond);

// The curtain: phases advanced, 2,121 vertices recoloured and lifted, 4,000
// triangles sent with their normals.
void BM_CurtainPassCpu(benchmark::State& state) {
  SetUpBenchScene(SceneKind::FullScreen, 1920, 1080);
  RunCountingVertices(state, DrawCurtain);
}
BENCHMARK(BM_CurtainPassCpu)->Unit(benchmark::kMicrosecond);

// The ground full screen: 300 x 100 cells, 60,000 triangles with the face
// normals made at creation, 180,000 coloured vertices.
void BM_GroundCpu(benchmark::State& state) {
  SetUpBenchScene(SceneKind::FullScreen, 1920, 1080);
  for (auto _ : state) DrawGround();
  state.counters["triangles/frame"] = GroundTriangleCount();
}
BENCHMARK(BM_GroundCpu)->Unit(benchmark::kMicrosecond);

// The flakes: 201 falls, turns and brackets of 96 triangles, with the
// occasional rebirth once the flakes have come down.
void BM_FlakesCpu(benchmark::State& state) {
  SetUpBenchScene(SceneKind::FullScreen, 1920, 1080);
  for (auto _ : state) UpdateAndDrawFlakes();
}
BENCHMARK(BM_FlakesCpu)->Unit(benchmark::kMicrosecond);

// Everything a window builds at creation: the clock, the ground, 201 flakes.
void BM_CreateScene(benchmark::State& state) {
  SetUpBenchScene(SceneKind::FullScreen, 1920, 1080);
  for (auto _ : state) CreateScene(SceneKind::FullScreen, 1920, 1080, 1);
}
BENCHMARK(BM_CreateScene)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
