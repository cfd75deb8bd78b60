#include "bench_scene.h"

#include "base/fpu_control.h"
#include "frame/platform.h"
#include "host/scene_setup/scene_setup.h"

namespace {

class BenchPlatform final : public Platform {
 public:
  LocalMoment LocalNow() override { return {2026, 12, 20, 14, 25, 10, 0}; }
  int UseFontOutlines(const char*, unsigned, unsigned, unsigned, float, GlyphMetricsFloat* metrics) override {
    for (unsigned k = 0; k < 255; ++k) metrics[k].CellIncX = 0.6f;
    return 1;
  }
  void SwapBuffers() override {}
  void Sleep(unsigned) override {}
};

BenchPlatform platform;

}  // namespace

void SetUpBenchScene(SceneKind kind, int width, int height) {
  InstallFpuControlWord();
  UsePlatform(&platform);
  CreateScene(kind, width, height, 1);
  SetUpRenderingState(kind, width, height);
}
