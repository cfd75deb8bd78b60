// The scene's own CPU per full-screen frame at 1280x720 over the OpenGL that
// does nothing, as one plain program that builds both natively and for
// WebAssembly (run by Node.js), so that the two figures come from the same
// code: 200 frames to warm up, then the mean of 1,000.
//   quillmoor_bench_scene [FRAMES]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench_scene.h"
#include "frame/frame.h"

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 1000;
  if (frames < 1) {
    std::fprintf(stderr, "usage: quillmoor_bench_scene [FRAMES]\n");
    return 2;
  }
  SetUpBenchScene(SceneKind::FullScreen, 1280, 720);
  for (int i = 0; i < 200; ++i) Timer1Timer();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) Timer1Timer();
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  std::printf("scene CPU per frame: %.3f ms (mean of %d frames at 1280x720)\n", spent.count() / frames, frames);
  return 0;
}
