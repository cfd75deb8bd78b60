// The scene's full-screen frames drawn into a surfaceless pbuffer, timed as
// the whole process's CPU per frame (CLOCK_PROCESS_CPUTIME_ID), so that the
// driver's own threads (llvmpipe rasterises on several) count as well. Built
// twice from this file:
//   quillmoor_bench_frames_gl    through the system's OpenGL 1.1 (Mesa), as the
//                                renderer draws;
//   quillmoor_bench_frames_gl11  through the project's OpenGL 1.1 layer on the
//                                system's OpenGL ES 3, as the web page draws.
// The two cannot share a program: the layer defines the gl* names itself.
// bench/layer_vs_gl.py runs them in turn and prints the ratios.
//
//   quillmoor_bench_frames_gl[11] WIDTHxHEIGHT [FRAMES [WARM]]
//
// The moment is frozen at 14:25:10 on 20 December, seed 1; WARM frames
// (default 30) are drawn untimed first (the driver compiles its shaders in
// the first ones), then FRAMES (default 100) are timed, each ended by a
// glFinish as a swap would be. Prints one line:
//   WIDTHxHEIGHT frames N process_cpu_ms X wall_ms Y
// with X and Y per frame.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/fpu_control.h"
#include "base/opengl.h"
#include "frame/frame.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"
#include "outline_bench_platform.h"

#ifdef QUILLMOOR_GL11_LAYER
#include "../tests/gl11/es3_context.h"
#else
#include "host/headless/egl_context.h"
#endif

namespace {

double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

bool ParseCount(const char* text, int& value) {
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || n < 0 || n > 1000000) return false;
  value = int(n);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 0, height = 0, frames = 100, warm = 30;
  char tail = 0;
  if (argc < 2 || argc > 4 || std::sscanf(argv[1], "%dx%d%c", &width, &height, &tail) != 2 || width < 1 ||
      height < 1 || width > 8192 || height > 8192 || (argc > 2 && !ParseCount(argv[2], frames)) || frames < 1 ||
      (argc > 3 && !ParseCount(argv[3], warm))) {
    std::fprintf(stderr, "usage: %s WIDTHxHEIGHT [FRAMES [WARM]]\n", argv[0]);
    return 2;
  }
  InstallFpuControlWord();
  OutlineBenchPlatform platform(true);
  UsePlatform(&platform);
#ifdef QUILLMOOR_GL11_LAYER
  Es3Context context;
  if (!context.Create(width, height) || !Gl11Start()) {
    std::fprintf(stderr, "%s: no OpenGL ES 3 context with the layer on it\n", argv[0]);
    return 1;
  }
#else
  HeadlessContext context;
  std::string error;
  if (!context.Create(width, height, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }
#endif
  CreateScene(SceneKind::FullScreen, width, height, 1);
  SetUpRenderingState(SceneKind::FullScreen, width, height);
  const auto frame = [] {
    ClearAroundScene();
    DrawFrame(SceneKind::FullScreen);
  };
  for (int n = 0; n < warm; ++n) frame();
  glFinish();
  const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID), wall = Seconds(CLOCK_MONOTONIC);
  for (int n = 0; n < frames; ++n) frame();
  const double cpuMs = (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) * 1e3 / frames;
  const double wallMs = (Seconds(CLOCK_MONOTONIC) - wall) * 1e3 / frames;
#ifdef QUILLMOOR_GL11_LAYER
  if (Gl11TakeError() != GL_NO_ERROR) {
    std::fprintf(stderr, "%s: the layer reported an OpenGL error\n", argv[0]);
    return 1;
  }
#else
  if (glGetError() != GL_NO_ERROR) {
    std::fprintf(stderr, "%s: OpenGL reported an error\n", argv[0]);
    return 1;
  }
#endif
  std::printf("%dx%d frames %d process_cpu_ms %.3f wall_ms %.3f\n", width, height, frames, cpuMs, wallMs);
  UsePlatform(nullptr);
  return 0;
}
