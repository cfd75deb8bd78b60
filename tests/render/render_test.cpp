#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "host/headless/render_session.h"
#include "pass_picture.h"
#include "pixels.h"

namespace {

RenderOptions Options(int width, int height, const char* at) {
  RenderOptions options;
  options.Width = width;
  options.Height = height;
  options.At = ParseMoment(at);
  options.Seed = 7;
  return options;
}

TEST(Render, FramesClearToDarkBlueAndOnlyAddLightToIt) {
  std::string error;
  auto session = RenderSession::Start(Options(64, 48, "2026-06-01 12:00:00"), error);
  ASSERT_NE(session, nullptr) << error;

  // Cleared, every pixel is the clear colour (0, 0, 0.2), before any frame
  // and after frames have run.
  const auto clearedPixels = [&] {
    const Picture p = DrawAlone(*session, GL_ONE, [] {});
    int other = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) other += !(p.At(x, y) == ClearColour);
    return other;
  };
  EXPECT_EQ(clearedPixels(), 0);

  // A whole frame covers the view with the curtain and draws the rest on top:
  // all of it adds light to the blue or blends white into it, so no channel
  // anywhere lies below the clear colour's.
  session->RunFrame();
  const Picture frame{session->Width(), session->Height(), session->Pixels()};
  ASSERT_EQ(frame.rgb.size(), 64u * 48u * 3u);
  int darker = 0, lighter = 0;
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      darker += frame.At(x, y).b < ClearColour.b;
      lighter += !(frame.At(x, y) == ClearColour);
    }
  EXPECT_EQ(darker, 0);
  EXPECT_GT(lighter, 64 * 48 / 2);
  EXPECT_EQ(clearedPixels(), 0);
}

// The command-line renderer: errors go to stderr with a non-zero exit and no file.
int RunRenderer(const std::string& arguments) {
  const std::string command = std::string(QUILLMOOR_RENDER_BIN) + " " + arguments + " 2>/dev/null >/dev/null";
  return std::system(command.c_str());
}

TEST(RenderCommand, RejectsBadInputWithoutWritingAFile) {
  const auto dir = std::filesystem::temp_directory_path() / "quillmoor-render-test";
  std::filesystem::create_directories(dir);
  const std::string out = (dir / "bad.png").string();
  for (const char* bad : {"--size 0x10", "--size 10", "--size 10x-1", "--size 99999x10", "--at \"2026-02-29 10:00:00\"",
                          "--at \"2026-12-01 24:00:00\"", "--at yesterday", "--frames 0", "--bogus", "--preview=1"}) {
    std::filesystem::remove(out);
    EXPECT_NE(RunRenderer(std::string(bad) + " --out " + out), 0) << bad;
    EXPECT_FALSE(std::filesystem::exists(out)) << bad;
  }
  EXPECT_NE(RunRenderer("--size 8x8 --out /nonexistent-dir/x.png"), 0);
}

std::string Capture(const std::string& arguments) {
  const std::string command = std::string(QUILLMOOR_RENDER_BIN) + " " + arguments;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  pclose(pipe);
  return output;
}

TEST(RenderCommand, PrintsTheStateOfTheFrozenMoment) {
  const std::string json =
      Capture("--size 16x16 --seed 3 --frames 2 --at \"2024-02-29 23:59:59\" --print-state");
  for (const char* expected :
       {"\"ClockTime\":{\"Hour\":23,\"Minute\":59,\"Second\":59,\"Millisecond\":0}",
        "\"HandAngles\":{\"Hour\":-269.5,\"Minute\":-264,\"Second\":-264}", "\"MeshColumns\":300",
        "\"Year\":2024,\"Month\":2,\"Day\":29,\"DaysInYear\":366", "\"TextDrift\":{\"Angles\":[",
        "\"HeadlineFade\":{\"HeadlineAlpha\":0.199", "\"SwaySteps\":[", "\"ClockOffset\":{\"x\":0.28,"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
}

TEST(RenderCommand, PreviewUsesThePreviewParameters) {
  const std::string json = Capture("--size 152x112 --seed 3 --preview --at \"2026-07-04 12:00:00\" --print-state");
  for (const char* expected : {"\"MeshColumns\":60", "\"MeshRows\":20", "\"CurtainColumns\":50",
                               "\"CurtainRows\":10", "\"TextAlpha\":0,", "\"HeadlineAlpha\":0,"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
}

TEST(RenderCommand, SaysSoWhenNoOpenGLIsAvailable) {
  // With no EGL vendor library glvnd has no implementation to offer.
  const auto out = std::filesystem::temp_directory_path() / "quillmoor-render-test" / "nogl.png";
  std::filesystem::create_directories(out.parent_path());
  std::filesystem::remove(out);
  const std::string command = "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json " + std::string(QUILLMOOR_RENDER_BIN) +
                              " --size 8x8 --out " + out.string() + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = pclose(pipe);
  EXPECT_NE(status, 0);
  EXPECT_NE(output.find("no OpenGL available"), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(RenderCommand, WritesAPngOfTheRequestedSize) {
  const auto path = std::filesystem::temp_directory_path() / "quillmoor-render-test" / "ok.png";
  std::filesystem::create_directories(path.parent_path());
  std::filesystem::remove(path);
  ASSERT_EQ(RunRenderer("--size=40x30 -seed 3 --at \"2024-02-29 23:59:59\" --out " + path.string()), 0);
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  ASSERT_NE(file, nullptr);
  unsigned char header[24] = {};
  ASSERT_EQ(std::fread(header, 1, sizeof header, file), sizeof header);
  std::fclose(file);
  EXPECT_EQ(header[1], 'P');
  EXPECT_EQ(header[2], 'N');
  EXPECT_EQ(header[3], 'G');
  // IHDR width and height, big-endian.
  EXPECT_EQ((header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19], 40);
  EXPECT_EQ((header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23], 30);
}

}  // namespace
