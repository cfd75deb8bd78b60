// The scene drawn through the OpenGL 1.1 layer on Mesa's OpenGL ES 3 must give
// the desktop renderer's picture, also in a new context after Gl11Restore.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/opengl.h"
#include "es3_context.h"
#include "frame/frame.h"
#include "frame/platform.h"
#include "host/linux_font/outline_glyphs.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"
#include "host/time/moment.h"

namespace {

constexpr const char* Moment = "2026-12-20 14:25:10";

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

struct Picture {
  int Width = 0, Height = 0;
  std::vector<unsigned char> Rgb;  // rows top first
};

Picture ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Picture p;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
  image.format = PNG_FORMAT_RGB;
  p.Rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, p.Rgb.data(), 0, nullptr)) p.Rgb.clear();
  p.Width = static_cast<int>(image.width);
  p.Height = static_cast<int>(image.height);
  return p;
}

void WritePng(const std::string& path, const Picture& p) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(p.Width);
  image.height = static_cast<png_uint_32>(p.Height);
  image.format = PNG_FORMAT_RGB;
  png_image_write_to_file(&image, path.c_str(), 0, p.Rgb.data(), 0, nullptr);
}

Picture ReadBack(int width, int height) {
  std::vector<unsigned char> rgba(std::size_t(width) * std::size_t(height) * 4);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  Picture p{width, height, std::vector<unsigned char>(std::size_t(width) * std::size_t(height) * 3)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) p.Rgb[((height - 1 - y) * width + x) * 3 + c] = rgba[(y * width + x) * 4 + c];
  return p;
}

struct Case {
  const char* Name;
  int Width, Height;
  bool Preview;
};

// The desktop renderer's picture after `frames` frames.
Picture MesaPicture(const Case& c, int frames, const std::filesystem::path& dir) {
  const std::string out = (dir / (std::string(c.Name) + "-mesa-" + std::to_string(frames) + ".png")).string();
  const std::string command = std::string(QUILLMOOR_RENDER_BIN) + " --size " + std::to_string(c.Width) + "x" +
                              std::to_string(c.Height) + " --at \"" + Moment + "\" --seed 3 --frames " +
                              std::to_string(frames) + (c.Preview ? " --preview" : "") + " --out " + out +
                              " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  return ReadPng(out);
}

// Compares the layer's picture with Mesa's: nearly every pixel within one
// level in all three channels. Writes the layer's picture and the differences
// (times 16) for a look.
void ExpectMatch(const Picture& layer, const Picture& mesa, const std::filesystem::path& dir, const std::string& name) {
  ASSERT_EQ(layer.Rgb.size(), mesa.Rgb.size()) << name;
  long same = 0, within1 = 0, within2 = 0;
  Picture diff = layer;
  for (std::size_t p = 0; p < layer.Rgb.size(); p += 3) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
      const int d = std::abs(int(layer.Rgb[p + c]) - int(mesa.Rgb[p + c]));
      worst = std::max(worst, d);
      diff.Rgb[p + c] = static_cast<unsigned char>(std::min(255, d * 16));
    }
    same += worst == 0;
    within1 += worst <= 1;
    within2 += worst <= 2;
  }
  WritePng((dir / (name + ".png")).string(), layer);
  WritePng((dir / (name + "-diff.png")).string(), diff);
  const double pixels = double(layer.Width) * layer.Height;
  std::printf("%s: %.3f %% of pixels the same, %.3f %% within 1 level, %.3f %% within 2\n", name.c_str(),
              100 * same / pixels, 100 * within1 / pixels, 100 * within2 / pixels);
  EXPECT_GE(within1 / pixels, 0.999) << name;
}

// Full screen; the portrait area's band between black rows (the scissor and
// the attribute stack); the preview's parameters and the context's own
// viewport. The first also in a new context after Gl11Restore, as a web page
// gets after a lost context: the kept state and the font's lists come back,
// and the next frame is Mesa's next.
TEST(Gl11Layer, DrawsTheSceneAsMesaDoesAndAgainAfterTheContextIsReplaced) {
  const std::filesystem::path dir = std::filesystem::path(QUILLMOOR_GL11_OUT);
  std::filesystem::create_directories(dir);
  FrozenPlatform platform;
  UsePlatform(&platform);
  for (const Case& c : {Case{"full", 640, 480, false}, Case{"portrait", 240, 400, false}, Case{"preview", 320, 240, true}}) {
    const SceneKind kind = c.Preview ? SceneKind::Preview : SceneKind::FullScreen;
    const Picture mesa5 = MesaPicture(c, 5, dir);
    ASSERT_EQ(mesa5.Rgb.size(), std::size_t(c.Width * c.Height * 3)) << c.Name;
    auto context = std::make_unique<Es3Context>();
    ASSERT_TRUE(context->Create(c.Width, c.Height));
    ASSERT_TRUE(Gl11Start());
    CreateScene(kind, c.Width, c.Height, 3);
    SetUpRenderingState(kind, c.Width, c.Height);
    const auto frame = [kind] {
      ClearAroundScene();
      DrawFrame(kind);
    };
    for (int n = 0; n < 5; ++n) frame();
    ExpectMatch(ReadBack(c.Width, c.Height), mesa5, dir, std::string(c.Name) + "-5");
    EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR)) << c.Name;
    // The scene's state (scene_setup.cpp): light 0 at a point, with a
    // specular colour on the specular front material, seen from a local
    // viewer, colour material, normals normalised, one side lit; the
    // initial state's unlit program is built at the start.
    const std::vector<std::string> keys = Gl11ProgramKeys();
    for (const std::string& key : keys) std::printf("%s: program for %s\n", c.Name, key.c_str());
    EXPECT_EQ(keys, (std::vector<std::string>{"unlit", "lit normalize colour-material local-viewer highlight light0:positional"}))
        << c.Name;
    if (c.Preview || c.Height > c.Width) continue;

    const Picture mesa6 = MesaPicture(c, 6, dir);
    context.reset();
    context = std::make_unique<Es3Context>();
    ASSERT_TRUE(context->Create(c.Width, c.Height));
    ASSERT_TRUE(Gl11Restore());
    frame();
    ExpectMatch(ReadBack(c.Width, c.Height), mesa6, dir, std::string(c.Name) + "-6-restored");
    EXPECT_EQ(Gl11TakeError(), GLenum(GL_NO_ERROR));
  }
  UsePlatform(nullptr);
}

}  // namespace
