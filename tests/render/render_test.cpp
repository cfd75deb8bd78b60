#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

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

// A portrait area shows the scene as a landscape area of its width and three
// quarters of that in height does, in a band centred between black rows.
TEST(Render, APortraitAreaShowsTheFourByThreeSceneInABand) {
  const auto picture = [](int width, int height) {
    std::string error;
    auto session = RenderSession::Start(Options(width, height, "2026-12-20 14:25:10"), error);
    EXPECT_NE(session, nullptr) << error;
    if (session == nullptr) return Picture{};
    // Whatever the last swap left in the drawable: white all over.
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
    for (int i = 0; i < 3; ++i) session->RunFrame();
    return Picture{session->Width(), session->Height(), session->Pixels()};
  };
  const Picture band = picture(540, 405);
  const Picture portrait = picture(540, 960);
  ASSERT_EQ(portrait.rgb.size(), 540u * 960u * 3u);
  ASSERT_EQ(band.rgb.size(), 540u * 405u * 3u);
  // (960 - 405) / 2 = 277 rows below the band, and the odd one above: 278.
  int unlike = 0, lit = 0;
  for (int y = 0; y < 960; ++y)
    for (int x = 0; x < 540; ++x) {
      const Rgb p = portrait.At(x, y);
      if (y < 278 || y >= 278 + 405) {
        lit += !(p == Rgb{0, 0, 0});
      } else {
        const Rgb q = band.At(x, y - 278);
        unlike += std::abs(p.r - q.r) > 8 || std::abs(p.g - q.g) > 8 || std::abs(p.b - q.b) > 8;
      }
    }
  EXPECT_EQ(lit, 0);
  EXPECT_EQ(unlike, 0);
}

// The command-line renderer, run by the shell: its exit status and what it
// said on standard error.
struct Outcome {
  int status;
  std::string said;
};
Outcome RunRenderer(const std::string& arguments, const std::string& environment = "") {
  const std::string command =
      environment + " " + std::string(QUILLMOOR_RENDER_BIN) + " " + arguments + " 2>&1 >/dev/null";
  Outcome outcome{-1, {}};
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) outcome.said += buffer;
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

std::filesystem::path FreshDir(const char* name) {
  const auto dir = std::filesystem::temp_directory_path() / "quillmoor-render-test" / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RenderCommand, RejectsBadInputWithoutWritingAFile) {
  const auto dir = FreshDir("bad");
  const std::string out = (dir / "bad.png").string();
  // Each refused with exit status 2 and a message, before anything is written.
  for (const char* bad :
       {"--size 0x10", "--size 10", "--size 10x-1", "--size +10x10", "--size 16385x10", "--at \"2026-02-29 10:00:00\"",
        "--at \"2026-12-01 24:00:00\"", "--at \"2024-12-24 -1:-1:-1\"", "--at \"2024-12-24 +1:00:00\"",
        "--at \"2024-12-24 23:60:00\"", "--at \"2024-12-24 23:59:60\"", "--at \"2024-13-01 00:00:00\"",
        "--at \"2024-12-00 12:00:00\"", "--at \"1600-12-31 23:59:59\"", "--at yesterday", "--frames 0",
        "--frames 10000001", "--frames 2147483647", "--every 0", "--step 60", "--at \"2024-01-01 00:00:00\" --step -60",
        "--at \"9999-12-31 23:59:00\" --step 60 --frames 2", "--every 2", "--out -x%d%d.png", "--out x%5.2d.png",
        "--out 50%.png", "--out - --print-state", "--bogus", "--preview=1"}) {
    const Outcome run = RunRenderer("--size 8x8 --out " + out + " " + bad);
    EXPECT_EQ(run.status, 2) << bad << ": " << run.said;
    EXPECT_EQ(run.said.rfind("quillmoor-render: ", 0), 0u) << bad << ": " << run.said;
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << bad;
  }
  // A date out of range says which dates there are.
  const std::string said = RunRenderer("--at \"1600-12-31 23:59:59\"").said;
  EXPECT_NE(said.find("from 1601-01-01 00:00:00 to 9999-12-31 23:59:59"), std::string::npos) << said;
  EXPECT_EQ(RunRenderer("--size 8x8 --out /nonexistent-dir/x.png").status, 2);
}

// What is at the target stays as it was when the target is no regular file
// or the write fails: a FIFO (also through a symbolic link), a folder, and a
// picture whose replacement cannot be written (the file-size limit, which
// holds for root as well, stops the write).
TEST(RenderCommand, LeavesTheTargetWholeWhenItCannotWrite) {
  const auto dir = FreshDir("whole");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  std::filesystem::create_symlink("fifo", dir / "link");
  std::filesystem::create_directory(dir / "folder");
  for (const char* target : {"fifo", "link", "folder"})
    for (const char* option : {"--out", "--state"}) {
      const Outcome run = RunRenderer("--size 8x8 " + std::string(option) + " " + (dir / target).string());
      EXPECT_EQ(run.status, 2) << option << " " << target << ": " << run.said;
      EXPECT_NE(run.said.find("not a regular file"), std::string::npos) << run.said;
    }
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));

  const std::string picture = "an earlier picture, kept";
  std::ofstream(dir / "kept.png") << picture;
  const Outcome run = RunRenderer("--size 320x240 --seed 3 --out " + (dir / "kept.png").string(), "ulimit -f 1;");
  EXPECT_EQ(run.status, 1) << run.said;
  EXPECT_NE(run.said.find("File too large"), std::string::npos) << run.said;
  EXPECT_EQ(ReadAll(dir / "kept.png"), picture);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 4);  // no temporary file left
}

std::string Capture(const std::string& arguments) {
  const std::string command = std::string(QUILLMOOR_RENDER_BIN) + " " + arguments;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
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
        "\"HeadlineFade\":{\"HeadlineAlpha\":0.199", "\"SwaySteps\":[",
        // A square is narrower than 4:3: the scene is laid out for a 4:3 band.
        "\"Aspect\":1.33333337", "\"ClockOffset\":{\"x\":0.3733333"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
}

TEST(RenderCommand, PreviewUsesThePreviewParameters) {
  const std::string json = Capture("--size 152x112 --seed 3 --preview --at \"2026-07-04 12:00:00\" --print-state");
  for (const char* expected : {"\"MeshColumns\":60", "\"MeshRows\":20", "\"CurtainColumns\":50",
                               "\"CurtainRows\":10", "\"TextAlpha\":0,", "\"HeadlineAlpha\":0,"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
}

TEST(RenderCommand, SaysSoWhenNoOpenGLOrNoFontIsAvailable) {
  const auto dir = FreshDir("lacking");
  // With no EGL vendor library glvnd has no implementation to offer.
  Outcome run = RunRenderer("--size 8x8 --out " + (dir / "nogl.png").string(),
                            "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.said.find("no OpenGL available"), std::string::npos) << run.said;
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  // With no font at all the picture is drawn without its text, and one line says so.
  std::ofstream(dir / "fonts.conf") << "<?xml version=\"1.0\"?><fontconfig></fontconfig>\n";
  run = RunRenderer("--size 8x8 --frames 2 --out " + (dir / "nofont.png").string(),
                    "FONTCONFIG_FILE=" + (dir / "fonts.conf").string());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.said.rfind("quillmoor-render: warning: no usable outline font for ", 0), 0u) << run.said;
  EXPECT_EQ(std::count(run.said.begin(), run.said.end(), '\n'), 1) << run.said;
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "nofont.png"));
}

TEST(RenderCommand, WritesAPngOfTheRequestedSize) {
  const auto path = FreshDir("ok") / "ok.png";
  const std::string arguments = "--size=40x30 -seed 3 --at \"2024-02-29 23:59:59\"";
  ASSERT_EQ(RunRenderer(arguments + " --out " + path.string()).status, 0);
  const std::string png = ReadAll(path);
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  // IHDR width and height, big-endian.
  const auto byte = [&](int i) { return static_cast<unsigned char>(png[i]); };
  EXPECT_EQ((byte(16) << 24) | (byte(17) << 16) | (byte(18) << 8) | byte(19), 40);
  EXPECT_EQ((byte(20) << 24) | (byte(21) << 16) | (byte(22) << 8) | byte(23), 30);
  // "--out -": the same picture on standard output, byte for byte.
  EXPECT_EQ(Capture(arguments + " --out -"), png);
  // Asked to write nothing, it still renders, and warns.
  const Outcome nothing = RunRenderer("--size 8x8");
  EXPECT_EQ(nothing.status, 0);
  EXPECT_NE(nothing.said.find("warning: no --out"), std::string::npos) << nothing.said;
}

// A time-lapse of a minute a frame from 23:30 on 24 December 2024 crosses
// midnight into Christmas Day. Every frame is a picture and a line of JSON,
// read back with a JSON parser and checked against the clock's and the
// countdown's rules.
TEST(RenderCommand, WritesASequenceWithTheStateOfEveryFrame) {
  const auto dir = FreshDir("sequence");
  const auto stateFile = dir.parent_path() / "sequence.jsonl";
  ASSERT_EQ(RunRenderer("--size 32x24 --seed 3 --at \"2024-12-24 23:30:00\" --step 60 --frames 60 --state " +
                        stateFile.string() + " --out " + (dir / "f%02d.png").string()).status, 0);
  std::istringstream lines(ReadAll(stateFile));
  std::string line;
  int frame = 0;
  for (; std::getline(lines, line); ++frame) {
    const nlohmann::json state = nlohmann::json::parse(line);
    const int minutes = (23 * 60 + 30 + frame) % (24 * 60), hour = minutes / 60, minute = minutes % 60;
    const bool christmasDay = frame >= 30;
    EXPECT_EQ(state["Format"], 1);
    EXPECT_EQ(state["Frame"], frame);
    EXPECT_EQ(state["ClockTime"]["Hour"], hour);
    EXPECT_EQ(state["ClockTime"]["Minute"], minute);
    // 90 degrees is twelve o'clock, the hands turn clockwise, the hour hand half a degree a minute.
    EXPECT_DOUBLE_EQ(state["HandAngles"]["Hour"].get<double>(), 90 - 30 * (hour % 12) - minute / 2.0);
    EXPECT_DOUBLE_EQ(state["HandAngles"]["Minute"].get<double>(), 90 - 6 * minute);
    EXPECT_EQ(state["SceneParams"]["Day"], christmasDay ? 25 : 24);
    // 2024 has 366 days; 24 December is its 359th, seven days before its end:
    // the last day of the Christmas display.
    EXPECT_EQ(state["CountdownState"]["DayOfYear"], christmasDay ? 360 : 359);
    EXPECT_EQ(state["CountdownState"]["Display"], christmasDay ? "NewYear" : "Christmas");
    EXPECT_EQ(state["CountdownState"]["HoursLeft"], 23 - hour);
    char name[16];
    std::snprintf(name, sizeof name, "f%02d.png", frame);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / name)) << name;
  }
  EXPECT_EQ(frame, 60);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 60);

  // --every 20 keeps frames 0, 20 and 40; --print-state writes their lines to standard output.
  std::istringstream kept(Capture("--size 8x8 --at \"2024-12-24 23:30:00\" --frames 60 --every 20 --print-state"));
  std::vector<int> frames;
  while (std::getline(kept, line)) frames.push_back(nlohmann::json::parse(line)["Frame"]);
  EXPECT_EQ(frames, (std::vector<int>{0, 20, 40}));
}

// --step moves the frozen moment on by calendar arithmetic.
TEST(RenderCommand, StepsRollOverAsTheCalendarDoes) {
  struct Case {
    const char* from;
    long long seconds;
    const char* to;
  };
  for (const Case& c : {Case{"2023-02-28 23:59:59", 1, "2023-03-01 00:00:00"},
                        Case{"2024-02-28 23:59:59", 1, "2024-02-29 00:00:00"},
                        Case{"2100-02-28 12:00:00", 86400, "2100-03-01 12:00:00"},  // no leap day in 2100
                        Case{"2000-02-28 12:00:00", 86400, "2000-02-29 12:00:00"},  // but in 2000
                        Case{"2024-04-30 23:00:00", 3600, "2024-05-01 00:00:00"},
                        Case{"2024-12-31 23:59:30", 45, "2025-01-01 00:00:15"},
                        Case{"2024-12-24 12:00:00", 7 * 86400 + 43200, "2025-01-01 00:00:00"},
                        Case{"1601-01-01 00:00:00", 365 * 86400, "1602-01-01 00:00:00"},
                        Case{"9999-12-31 23:59:58", 1, "9999-12-31 23:59:59"}}) {
    const std::optional<LocalMoment> from = ParseMoment(c.from);
    ASSERT_TRUE(from) << c.from;
    EXPECT_EQ(FormatMoment(MomentAt(MomentSeconds(*from) + c.seconds)), c.to) << c.from << " + " << c.seconds;
  }
}

// SIGINT and SIGTERM end a long sequence after the frame in hand, with 130
// and 143: every file left is a whole PNG (it ends with the IEND chunk),
// numbered without a gap, and no temporary file remains.
TEST(RenderCommand, StopsOnASignalLeavingOnlyCompleteFiles) {
  for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    const auto dir = FreshDir("stopped");
    const std::string pattern = (dir / "%06d.png").string(), said = (dir.parent_path() / "stopped.txt").string();
    const char* const argv[] = {"quillmoor-render", "--size", "64x48", "--frames", "1000000",
                                "--out", pattern.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, QUILLMOOR_RENDER_BIN, &actions, nullptr, const_cast<char* const*>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const auto files = [&] { return std::distance(std::filesystem::directory_iterator(dir), {}); };
    for (int wait = 0; wait < 600 && files() < 3; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(child, signal);
    int wstatus = 0;
    pid_t ended = 0;
    for (int wait = 0; wait < 400 && (ended = waitpid(child, &wstatus, WNOHANG)) == 0; ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (ended != child) kill(child, SIGKILL), waitpid(child, &wstatus, 0);
    ASSERT_EQ(ended, child) << "still running 20 s after the signal";
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == status) << wstatus;
    EXPECT_NE(ReadAll(said).find("stopped by SIG"), std::string::npos) << ReadAll(said);
    const long count = files();
    EXPECT_GE(count, 3);
    for (long n = 0; n < count; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "%06ld.png", n);
      const std::string png = ReadAll(dir / name);
      EXPECT_TRUE(png.size() > 12 && png.substr(png.size() - 12) == std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12))
          << name;
    }
  }
}

}  // namespace
