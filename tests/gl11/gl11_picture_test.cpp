// The scene drawn through the OpenGL 1.1 layer on Mesa's OpenGL ES 3 must give
// the desktop renderer's picture, also in a new context after Gl11Restore.
#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "frame/platform.h"
#include "host/headless/moment.h"
#include "host/linux_font/outline_glyphs.h"
#include "host/opengl.h"
#include "host/scene_area.h"
#include "host/scene_setup.h"

namespace {

constexpr int Width = 640, Height = 480;
constexpr const char* Moment = "2026-12-20 14:25:10";

// An OpenGL ES 3 context on Mesa's surfaceless platform, drawing into a
// pbuffer with 16 depth bits as the renderer's.
class Es3Context {
 public:
  bool Create() {
    display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_ES_API))
      return false;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES3_BIT,
                                 EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLConfig config;
    EGLint found = 0;
    if (!eglChooseConfig(display_, attributes, &config, 1, &found) || found == 0) return false;
    const EGLint size[] = {EGL_WIDTH, Width, EGL_HEIGHT, Height, EGL_NONE};
    const EGLint version[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, size);
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, version);
    return surface_ != EGL_NO_SURFACE && context_ != EGL_NO_CONTEXT &&
           eglMakeCurrent(display_, surface_, surface_, context_);
  }
  ~Es3Context() {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
    eglDestroySurface(display_, surface_);
  }

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLSurface surface_ = EGL_NO_SURFACE;
  EGLContext context_ = EGL_NO_CONTEXT;
};

class FrozenPlatform final : public Platform {
 public:
  LocalMoment LocalNow() override { return *ParseMoment(Moment); }
  int UseFontOutlines(const char* face, unsigned first, unsigned count, unsigned listBase, float extrusion,
                      GlyphMetricsFloat* metrics) override {
    return UseFontOutlinesLinux(face, first, count, listBase, extrusion, metrics);
  }
  void SwapBuffers() override { glFinish(); }
  void Sleep(unsigned) override {}
};

using Rgb = std::vector<unsigned char>;  // rows top first

Rgb ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Rgb rgb;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return rgb;
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) rgb.clear();
  return rgb;
}

void WritePng(const std::string& path, const Rgb& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = Width;
  image.height = Height;
  image.format = PNG_FORMAT_RGB;
  png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
}

Rgb ReadBack() {
  std::vector<unsigned char> rgba(Width * Height * 4);
  glReadPixels(0, 0, Width, Height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  Rgb rgb(Width * Height * 3);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      for (int c = 0; c < 3; ++c) rgb[((Height - 1 - y) * Width + x) * 3 + c] = rgba[(y * Width + x) * 4 + c];
  return rgb;
}

// The desktop renderer's picture after `frames` frames.
Rgb MesaPicture(int frames, const std::filesystem::path& dir) {
  const std::string out = (dir / ("mesa-" + std::to_string(frames) + ".png")).string();
  const std::string command = std::string(QUILLMOOR_RENDER_BIN) + " --size 640x480 --at \"" + Moment +
                              "\" --seed 3 --frames " + std::to_string(frames) + " --out " + out + " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  return ReadPng(out);
}

// Compares the layer's picture with Mesa's: the share of pixels whose three
// channels all lie within 1 and within 2 levels; writes both pictures and
// the differences (times 16) beside each other for a look.
void ExpectMatch(const Rgb& layer, const Rgb& mesa, const std::filesystem::path& dir, const std::string& name) {
  ASSERT_EQ(layer.size(), mesa.size());
  long within1 = 0, within2 = 0;
  Rgb diff(layer.size());
  for (std::size_t p = 0; p < layer.size(); p += 3) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
      const int d = std::abs(int(layer[p + c]) - int(mesa[p + c]));
      worst = std::max(worst, d);
      diff[p + c] = static_cast<unsigned char>(std::min(255, d * 16));
    }
    within1 += worst <= 1;
    within2 += worst <= 2;
  }
  WritePng((dir / (name + ".png")).string(), layer);
  WritePng((dir / (name + "-diff.png")).string(), diff);
  const double pixels = Width * Height;
  std::printf("%s: %.3f %% of pixels within 1 level, %.3f %% within 2\n", name.c_str(), 100 * within1 / pixels,
              100 * within2 / pixels);
  EXPECT_GE(within2 / pixels, 0.99) << name;
}

TEST(Gl11Layer, DrawsTheSceneAsMesaDoesAndAgainAfterTheContextIsReplaced) {
  const std::filesystem::path dir = std::filesystem::path(QUILLMOOR_GL11_OUT);
  std::filesystem::create_directories(dir);
  const Rgb mesa5 = MesaPicture(5, dir), mesa6 = MesaPicture(6, dir);
  ASSERT_EQ(mesa5.size(), std::size_t(Width * Height * 3));
  ASSERT_EQ(mesa6.size(), mesa5.size());

  FrozenPlatform platform;
  UsePlatform(&platform);
  auto context = std::make_unique<Es3Context>();
  ASSERT_TRUE(context->Create());
  ASSERT_TRUE(Gl11Start());
  CreateScene(SceneKind::FullScreen, Width, Height, 3);
  SetUpRenderingState(SceneKind::FullScreen, Width, Height);
  const auto frame = [] {
    ClearAroundScene();
    DrawFrame(SceneKind::FullScreen);
  };
  for (int n = 0; n < 5; ++n) frame();
  ExpectMatch(ReadBack(), mesa5, dir, "layer-5");
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));

  // A new context in place of the lost one: the kept state and the font's
  // lists come back with Gl11Restore, and the next frame is Mesa's next.
  context.reset();
  context = std::make_unique<Es3Context>();
  ASSERT_TRUE(context->Create());
  ASSERT_TRUE(Gl11Restore());
  frame();
  ExpectMatch(ReadBack(), mesa6, dir, "layer-6-restored");
  EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
  UsePlatform(nullptr);
}

}  // namespace
