#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>
#include <png.h>

#include "host/headless/progress.h"
#include "host/headless/render_session.h"
#include "namespace_root.h"
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
Outcome RunRenderer(const std::string& arguments, const std::string& environment = "",
                    const std::string& program = QUILLMOOR_RENDER_BIN) {
  const std::string command = "{ " + environment + " " + program + " " + arguments + "; } 2>&1 >/dev/null";
  Outcome outcome{-1, {}};
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) outcome.said += buffer;
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

// In a folder of this build's own, so that builds side by side on one
// machine never test in each other's folders.
std::filesystem::path FreshDir(const char* name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("quillmoor-render-test-" + std::to_string(std::hash<std::string>{}(QUILLMOOR_RENDER_BIN) % 1000000)) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long Entries(const std::filesystem::path& dir) { return std::distance(std::filesystem::directory_iterator(dir), {}); }

// What the shell command `command` writes to standard output.
std::string Output(const std::string& command) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

std::string Capture(const std::string& arguments) { return Output(std::string(QUILLMOOR_RENDER_BIN) + " " + arguments); }

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
        "--out 50%.png", "--out - --print-state", "--out /dev/fd/1 --state /dev/stdout", "--out /dev/fd/9",
        "--out - >&-", "--bogus", "--preview=1", "--size 10x0", "--size 10x16385", "--at \"2026-04-31 12:00:00\"",
        "--every 10000001 --out -", "--seed 18446744073709551616", "--out x%21d.png", "--step 0.0001",
        "--step 1/0", "--step 1.", "--step .5", "--format jpeg", "--out - --format raw --compression best",
        "--compression 9", "-- --frames 2", "--at \"10000-01-01 00:00:00\"", "--at \"9999-12-31 23:59:59\" --step 1 --frames 2"}) {
    const Outcome run = RunRenderer("--size 8x8 --out " + out + " " + bad);
    EXPECT_EQ(run.status, 2) << bad << ": " << run.said;
    EXPECT_EQ(run.said.rfind("quillmoor-render: ", 0), 0u) << bad << ": " << run.said;
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << bad;
  }
  // A date out of range says which dates there are.
  for (const std::string year : {"1600", "10000"})
    EXPECT_NE(RunRenderer("--at \"" + year + "-12-31 23:59:59\"").said.find("from 1601-01-01 00:00:00 to 9999-12-31 23:59:59"),
              std::string::npos) << year;
  // The last values each limit lets through, and the forms they may take.
  for (const char* good : {"--size 1x1", "--size 16384x1", "--size 1x16384", "--seed 18446744073709551615",
                           "--at \"2026-04-30 12:00:00\"", "--at \"1601-01-01 00:00:00\"", "--at \"9999-12-31 23:59:59\"",
                           "--at \"9999-12-31 23:58:59\" --step 60 --frames 2", "--step 0", "--step=0 -frames=2",
                           "--frames 2 --every 10000000 --out -", "--size 8x8 --at \"2026-01-01 00:00:00\" --step 1/30",
                           "--size 8x8 --at \"9999-12-31 23:59:59\" --step 0.999 --frames 2", "--size 8x8 --",
                           "--size 8x8 --frames 2 --every 1 --out /dev/null --state /dev/null",
                           "--size 8x8 --format raw --out /dev/null", "--size 8x8 --compression best --out /dev/null"}) {
    const Outcome run = RunRenderer(good);
    EXPECT_EQ(run.status, 0) << good << ": " << run.said;
  }
  // 10,000,000 frames are allowed: what stops this run is its missing folder.
  const Outcome noFolder = RunRenderer("--size 8x8 --frames 10000000 --out /nonexistent-dir/x.png");
  EXPECT_EQ(noFolder.status, 2);
  EXPECT_NE(noFolder.said.find("No such file or directory"), std::string::npos) << noFolder.said;
  // A mistake takes one line, its value's control characters escaped, and a
  // pointer to --help; --help and --version win wherever they stand.
  EXPECT_EQ(RunRenderer("--size \"$(printf '1\\n2\\033')\"").said,
            "quillmoor-render: bad size \"1\\n2\\x1b\": expected WxH, each from 1 to 16384\n"
            "Try 'quillmoor-render --help'.\n");
  for (const char* help : {"--bogus --help", "--size 0x0 -h", "--out - --print-state --version"})
    EXPECT_EQ(RunRenderer(help).status, 0) << help;
  const std::string usage = Capture("--help");
  EXPECT_EQ(usage.rfind("usage: quillmoor-render [options]\n", 0), 0u) << usage;
  EXPECT_EQ(Capture("-h"), usage);
  EXPECT_TRUE(std::regex_match(Capture("--version"), std::regex("quillmoor-render [0-9]+\\.[0-9]+\\.[0-9]+\n")));

  // What the user may not write is refused at once (not after 10,000,000
  // frames), with the system's reason: a write-protected picture in a folder
  // the user may write, as cp refuses it, and a folder the user may not
  // write. Root may write both, so the renderer runs as nobody.
  const auto own = FreshDir("unprivileged");
  const std::string program = (own / "quillmoor-render").string();
  ASSERT_EQ(std::system(("cd " + own.string() + " && chmod o+x .. && chmod 777 . && echo kept > kept.png && chmod 444 "
                         "kept.png && mkdir -m 555 locked && cp " QUILLMOOR_RENDER_BIN " " + program).c_str()), 0);
  const std::string as = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
  if (RunRenderer("--version", as, program).status != 0) GTEST_SKIP() << "cannot run the renderer as nobody";
  for (const char* target : {"kept.png", "locked/new.png"})
    for (const char* option : {"--out", "--state"}) {
      const Outcome run = RunRenderer("--size 8x8 --frames 10000000 " + std::string(option) + " " +
                                          (own / target).string(), "timeout 120 " + as, program);
      EXPECT_EQ(run.status, 2) << option << " " << target << ": " << run.said;
      EXPECT_NE(run.said.find("\": Permission denied"), std::string::npos) << run.said;
    }
  EXPECT_EQ(ReadAll(own / "kept.png"), "kept\n");
  EXPECT_TRUE(std::filesystem::is_empty(own / "locked"));
}

// Refused before the first frame: two outputs naming one file (the same
// path, a link to it, a numbered picture's name, however far in the sequence
// or through a link), and a folder leaving no room in PATH_MAX (4095
// characters) for "/." + a character + ".quillmoor-render.XXXXXX". The
// picture after the last is no clash.
TEST(RenderCommand, RefusesNamesItCannotKeepTo) {
  const auto dir = FreshDir("names");
  std::ofstream(dir / "same.png") << "kept";
  std::filesystem::create_symlink("same.png", dir / "link.png");
  std::filesystem::create_symlink("same.png", dir / "n1.png");
  // Other names of the state's own file: hard links, beside it and in another folder.
  std::filesystem::create_directory(dir / "sub");
  std::filesystem::create_hard_link(dir / "same.png", dir / "h2.png");
  std::filesystem::create_hard_link(dir / "same.png", dir / "sub" / "h1.png");
  for (const auto& [out, state, clash] : {std::tuple{"same.png", "same.png", true}, std::tuple{"same.png", "link.png", true},
                                          std::tuple{"%d.png", "1.png", true}, std::tuple{"%d.png", "2.png", true},
                                          std::tuple{"n%d.png", "same.png", true}, std::tuple{"h%d.png", "same.png", true},
                                          std::tuple{"sub/h%d.png", "same.png", true},
                                          std::tuple{"h%d.png", "sub/h1.png", true}, std::tuple{"%d.png", "3.png", false}}) {
    const Outcome run = RunRenderer("--size 8x8 --frames 3 --out " + (dir / out).string() + " --state " +
                                    (dir / "." / state).string());
    EXPECT_EQ(run.status, clash ? 2 : 0) << out << " " << state << ": " << run.said;
    EXPECT_EQ(run.said.find(" name the same file") != std::string::npos, clash) << run.said;
    EXPECT_EQ(ReadAll(dir / "same.png"), "kept");
    EXPECT_EQ(Entries(dir), clash ? 5 : 9) << out << " " << state;
    EXPECT_EQ(Entries(dir / "sub"), 1) << out << " " << state;
  }
  for (const std::size_t length : {4068u, 4069u}) {
    std::string folder = FreshDir("deep").string();
    while (length - folder.size() > 250) folder.append(1, '/').append(200, 'd');
    folder.append(1, '/').append(length - folder.size(), 'd');  // the '/' counted before the rest
    ASSERT_EQ(folder.size(), length);
    std::filesystem::create_directories(folder);
    const Outcome run = RunRenderer(std::string("--size 8x8 --frames ") + (length == 4068 ? "1" : "10000000") +
                                    " --out " + folder + "/x.png", "timeout 120");
    EXPECT_EQ(run.status, length == 4068 ? 0 : 2) << run.said;
    EXPECT_EQ(run.said.find("File name too long") != std::string::npos, length == 4069) << run.said;
    EXPECT_EQ(std::filesystem::exists(folder + "/x.png"), length == 4068);
  }
}

// What is at the target stays as it was when the target is no regular file
// or the write fails: a FIFO (also through a symbolic link), a folder, and a
// picture whose replacement cannot be written (the file-size limit, which
// holds for root as well, stops the write).
std::vector<std::pair<long, long>> PngSizes(const std::string& stream);

TEST(RenderCommand, LeavesTheTargetWholeWhenItCannotWrite) {
  // Mounting the full file system takes root: an ordinary user's run goes on
  // as root of a user namespace of its own.
  const RootRun root = RunAsRoot();
  if (root == RootRun::Unavailable) GTEST_SKIP() << RootRunUnavailable;
  if (root == RootRun::InChild) return;
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

  // Streams that cannot be written, told with their cause.
  for (const auto& [redirect, status, cause] : {std::tuple{">&-", 2, "Bad file descriptor"},
                                                std::tuple{"> /dev/full", 1, "No space left on device"}}) {
    const Outcome run = RunRenderer("--size 8x8 --print-state " + std::string(redirect));
    EXPECT_EQ(run.status, status) << redirect;
    EXPECT_EQ(run.said, "quillmoor-render: cannot write the state to standard output: " + std::string(cause) + "\n");
  }

  // A full file system keeps an earlier picture and an earlier state file
  // whole, whether the first picture fails or the state's own write at the
  // end, and leaves no temporary file; so does the file-size limit, root's
  // too.
  const auto full = FreshDir("full");
  const bool mounted = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                       mount("tmpfs", full.c_str(), "tmpfs", 0, "size=256k") == 0;
  EXPECT_TRUE(mounted) << "no tmpfs could be mounted at " << full << ": the full file system's rows did not run";
  const std::string earlier = "an earlier state, kept\n", state = (full / "state.jsonl").string();
  const std::string picture = "an earlier picture, kept";
  std::ofstream(state) << earlier;
  std::ofstream(full / "0.png") << picture;
  if (mounted) std::ofstream(full / "filler") << std::string(1 << 20, 'x');  // as much as fits
  for (const bool limited : {!mounted, true})
  for (const std::string& run : {"--size 320x240 --frames 6 --every 1 --out " + (full / "%d.png").string(),
                                 std::string("--size 8x8 --frames 6 --every 1")}) {
    if (limited) std::filesystem::remove(full / "filler");
    const Outcome failed = RunRenderer(run + " --state " + state, limited ? "ulimit -f 1;" : "");
    EXPECT_EQ(failed.status, 1) << run << ": " << failed.said;
    // One line, ending with the cause.
    EXPECT_TRUE(failed.said.ends_with(limited ? ": File too large\n" : ": No space left on device\n")) << failed.said;
    EXPECT_EQ(std::count(failed.said.begin(), failed.said.end(), '\n'), 1) << failed.said;
    EXPECT_EQ(ReadAll(state), earlier);
    EXPECT_EQ(ReadAll(full / "0.png"), picture);
    EXPECT_EQ(Entries(full), limited ? 2 : 3);
  }
  // Onto a full file system, a long run that would write only at its end
  // fails before its first frame, not after the last.
  if (mounted) {
    std::ofstream(full / "filler") << std::string(1 << 20, 'x');
    for (const std::string& output : {"--out " + (full / "last.png").string(), "--state " + state,
                                      "--format raw --out " + (full / "frames.rgb").string()}) {
      const Outcome failed = RunRenderer("--size 8x8 --frames 10000000 " + output, "timeout 120");
      EXPECT_EQ(failed.status, 1) << output << ": " << failed.said;
      EXPECT_TRUE(failed.said.ends_with(": No space left on device\n")) << failed.said;
      EXPECT_EQ(Entries(full), 3) << output;
    }
  }
  if (mounted) umount2(full.c_str(), MNT_DETACH);

  // A later picture's name that is not a regular file ends the run before
  // its frame, with exit 2: the pictures before it stay, and the earlier
  // state file as it was.
  for (const bool fifo : {false, true}) {
    const auto later = FreshDir("later");
    ASSERT_TRUE(fifo ? mkfifo((later / "00002.png").c_str(), 0644) == 0
                     : std::filesystem::create_directory(later / "00002.png"));
    std::ofstream(later / "s.jsonl") << earlier;
    const Outcome run = RunRenderer("--size 16x16 --frames 5 --out " + (later / "%05d.png").string() + " --state " +
                                    (later / "s.jsonl").string());
    EXPECT_EQ(run.status, 2) << run.said;
    EXPECT_NE(run.said.find("00002.png\": it is a"), std::string::npos) << run.said;
    EXPECT_GT(std::filesystem::file_size(later / "00001.png"), 100u);
    EXPECT_EQ(ReadAll(later / "s.jsonl"), earlier);
    EXPECT_EQ(Entries(later), 4);
  }

  // A file system that fills in the middle of a long run, with room for a
  // few pictures: the picture that does not fit fails the run at once, with
  // one line; the pictures before it stay whole and no temporary file is
  // left. Mounted in a namespace of its own, whose content is copied out.
  const auto filling = FreshDir("filling");
  std::filesystem::create_directory(filling / "copy");
  const std::string mountAndRun =
      "unshare -rm sh -c 'mount -t tmpfs -o size=64k tmpfs \"$0\" || exit 99; timeout 20 \"$1\" --size 64x48 "
      "--frames 10000000 --every 1 --out \"$0/%06d.png\"; status=$?; cp -a \"$0/.\" \"$0/../copy\"; exit $status' " +
      (filling / "tmpfs").string() + " " QUILLMOOR_RENDER_BIN;
  std::filesystem::create_directory(filling / "tmpfs");
  const Outcome filled = RunRenderer("", "", mountAndRun);
  if (filled.status == 99) GTEST_SKIP() << "no tmpfs can be mounted here: " << filled.said;
  EXPECT_EQ(filled.status, 1) << filled.said;
  EXPECT_TRUE(std::regex_match(filled.said, std::regex("quillmoor-render: cannot write \"" + filling.string() +
                                                       "/tmpfs/[0-9]{6}\\.png\": No space left on device\n")))
      << filled.said;
  const long kept = Entries(filling / "copy");
  EXPECT_GE(kept, 2);
  for (long n = 0; n < kept; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "%06ld.png", n);
    EXPECT_EQ(PngSizes(ReadAll(filling / "copy" / name)), (std::vector<std::pair<long, long>>{{64, 48}})) << name;
  }
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
  EXPECT_EQ(Capture("--size 16x16 --seed 3 --frames 2 --at \"2024-02-29 23:59:59\" --state -"), json);

  // Every key docs/state-json.md describes, and no other.
  const nlohmann::json state = nlohmann::json::parse(json);
  std::set<std::string> keys;
  const std::function<void(const nlohmann::json&, const std::string&)> walk = [&](const nlohmann::json& j,
                                                                                  const std::string& path) {
    if (j.is_object())
      for (const auto& [key, value] : j.items()) keys.insert(path + key), walk(value, path + key + ".");
    else if (j.is_array())
      for (const auto& value : j) walk(value, path.substr(0, path.size() - 1) + "[].");
  };
  walk(state, "");
  std::set<std::string> documented;
  std::istringstream words(
      "Format Frame ClockTime ClockTime.Hour ClockTime.Minute ClockTime.Second ClockTime.Millisecond HandAngles "
      "HandAngles.Hour HandAngles.Minute HandAngles.Second TextDrift TextDrift.Angles HeadlineFade "
      "HeadlineFade.HeadlineAlpha HeadlineFade.PartnerAlpha HeadlineFade.Step CountdownState CountdownState.Display "
      "CountdownState.DayOfYear CountdownState.DaysToNewYear CountdownState.DaysToChristmas CountdownState.HoursLeft "
      "CountdownState.MinutesLeft CountdownState.SecondsLeft CountdownState.Lines CountdownState.Lines[].Text "
      "CountdownState.Lines[].Alpha Curtain Curtain.ColourPattern Curtain.Rows Curtain.Columns SceneParams "
      "SceneParams.Aspect SceneParams.MeshColumns SceneParams.MeshRows SceneParams.CurtainColumns "
      "SceneParams.CurtainRows SceneParams.Waves SceneParams.Waves[].Phase SceneParams.Waves[].Speed "
      "SceneParams.SwaySteps SceneParams.ClockOffset SceneParams.ClockOffset.x SceneParams.ClockOffset.y "
      "SceneParams.ClockOffset.z SceneParams.TextAlpha SceneParams.Year SceneParams.Month SceneParams.Day "
      "SceneParams.DaysInYear Snowfall Snowfall.FlakeCount Snowfall.Flakes Snowfall.Flakes[].x Snowfall.Flakes[].y "
      "Snowfall.Flakes[].z Snowfall.Flakes[].spin Snowfall.Ground Snowfall.Ground.Columns Snowfall.Ground.Rows "
      "Snowfall.Ground.Left Snowfall.Ground.Right Snowfall.Ground.Highest");
  for (std::string word; words >> word;) documented.insert(word);
  EXPECT_EQ(keys, documented);

  // After two frames from the full-screen start: the curtain's grid and
  // pattern, its rates (0.012 to 0.0224, 0.013 to 0.02678, 0.014 to 0.02898
  // radians a frame) and phases; each sway angle two of its steps; the fade
  // turned down with the partner still at 0; the flakes two ticks on from
  // their start heights of 1 to 2.999; the ground's front row about the axis.
  const nlohmann::json& scene = state["SceneParams"];
  EXPECT_EQ(state["Curtain"]["Rows"], 20);
  EXPECT_EQ(state["Curtain"]["Columns"], 100);
  EXPECT_GE(state["Curtain"]["ColourPattern"], 1);
  EXPECT_LE(state["Curtain"]["ColourPattern"], 10);
  for (const auto& wave : scene["Waves"]) {
    EXPECT_GE(std::fabs(wave["Speed"].get<double>()), 0.012);
    EXPECT_LE(std::fabs(wave["Speed"].get<double>()), 0.02898);
    EXPECT_GE(wave["Phase"].get<double>(), 0);
    EXPECT_LE(wave["Phase"].get<double>(), 2 * 3.14159265358979);
  }
  EXPECT_DOUBLE_EQ(scene["ClockOffset"]["y"].get<double>(), 0.2);
  EXPECT_DOUBLE_EQ(scene["ClockOffset"]["z"].get<double>(), -2.5);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(state["TextDrift"]["Angles"][i].get<float>(), 2 * scene["SwaySteps"][i].get<float>()) << i;
  EXPECT_EQ(state["HeadlineFade"]["Step"].get<float>(), -0.001f);
  EXPECT_LT(std::fabs(state["HeadlineFade"]["PartnerAlpha"].get<double>()), 1e-6);
  for (const auto& flake : state["Snowfall"]["Flakes"]) {
    EXPECT_GE(flake["y"].get<double>(), 1 - 2 * 0.002 - 1e-9);
    EXPECT_LE(flake["y"].get<double>(), 2.999);
    EXPECT_LT(std::fabs(flake["z"].get<double>()), 1);
  }
  const nlohmann::json& ground = state["Snowfall"]["Ground"];
  EXPECT_LT(ground["Left"].get<double>(), 0);
  EXPECT_GT(ground["Right"].get<double>(), 0);
  EXPECT_GT(ground["Highest"].get<double>(), 0);
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

// The PNGs in `stream`, one after another, read chunk by chunk: the width and
// height of each, and {0, 0} for anything that is not a whole PNG.
std::vector<std::pair<long, long>> PngSizes(const std::string& stream) {
  const auto number = [&](std::size_t at) {
    long n = 0;
    for (std::size_t i = at; i < at + 4 && i < stream.size(); ++i) n = n << 8 | static_cast<unsigned char>(stream[i]);
    return n;
  };
  std::vector<std::pair<long, long>> sizes;
  for (std::size_t at = 0; at < stream.size();) {
    if (stream.compare(at, 8, "\x89PNG\r\n\x1a\n") != 0) return sizes.emplace_back(0, 0), sizes;
    sizes.emplace_back(number(at + 16), number(at + 20));
    at += 8;
    for (std::string type; type != "IEND" && at + 12 <= stream.size(); at += 12 + number(at))
      type = stream.substr(at + 4, 4);
    if (at > stream.size() || stream.compare(at - 8, 4, "IEND") != 0) sizes.back() = {0, 0};
  }
  return sizes;
}

TEST(RenderCommand, WritesAPngOfTheRequestedSize) {
  const auto path = FreshDir("ok") / "ok.png";
  const std::string arguments = "--size=40x30 -seed 3 --at \"2024-02-29 23:59:59\"";
  ASSERT_EQ(RunRenderer(arguments + " --out " + path.string()).status, 0);
  const std::string png = ReadAll(path);
  EXPECT_EQ(PngSizes(png), (std::vector<std::pair<long, long>>{{40, 30}}));
  // "--out -": the same picture on standard output, byte for byte.
  EXPECT_EQ(Capture(arguments + " --out -"), png);
  // With --every, the kept frames 0, 2 and 4 one after another: the first is
  // the same picture again.
  const std::string stream = Capture(arguments + " --frames 5 --every 2 --out -");
  EXPECT_EQ(PngSizes(stream), (std::vector<std::pair<long, long>>{{40, 30}, {40, 30}, {40, 30}}));
  EXPECT_EQ(stream.substr(0, png.size()), png);
  // An open descriptor is written as the shell opened it, here to append.
  const auto log = path.parent_path() / "log";
  for (const auto& [output, redirect] : {std::pair{"--state /dev/stdout", ">>"}, std::pair{"--state /dev/stderr", "2>>"},
                                         std::pair{"--state /proc/self/fd/3", "3>>"}, std::pair{"--out /dev/fd/3", "3>>"}}) {
    std::ofstream(log) << "earlier\n";
    EXPECT_EQ(std::system((std::string(QUILLMOOR_RENDER_BIN) + " --size 8x8 " + output + " " + redirect + " " +
                           log.string()).c_str()), 0) << output;
    const std::string after = ReadAll(log);
    EXPECT_EQ(after.substr(0, 8), "earlier\n") << output;
    EXPECT_EQ(after.substr(8, 4), std::string(output).starts_with("--state") ? "{\"Fo" : "\x89PNG") << output;
  }
  // Asked to write nothing, it still renders, and warns.
  const Outcome nothing = RunRenderer("--size 8x8");
  EXPECT_EQ(nothing.status, 0);
  EXPECT_NE(nothing.said.find("warning: no --out"), std::string::npos) << nothing.said;
}

// A picture decoded by libpng: its RGB rows, or nothing when libpng refuses
// it or warns about it (extra data after the zlib stream, say).
std::string DecodePng(const std::string& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::string rgb(PNG_IMAGE_SIZE(image), '\0');
  const bool read = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr);
  return read && image.warning_or_error == 0 ? rgb : "";
}

// What a strict PNG checker says of the PNG `png`: nothing when every chunk's
// length and CRC are right and the zlib stream ends where the IDAT data ends.
std::string StrictCheck(const std::string& png) {
  const auto file = FreshDir("strict") / "checked.png";
  std::ofstream(file, std::ios::binary) << png;
  return Output("pngcheck -q " + file.string() + " 2>&1 || echo refused");
}

// PNGs at every compression decode to the raw frames' pixels (an odd width)
// and pass a strict checker; on the same frame of 320x180, each level makes
// a smaller picture than the one before (on a tiny one, "better" may not).
TEST(RenderCommand, PicturesHoldThePixelsDrawn) {
  ASSERT_EQ(std::system("command -v pngcheck >/dev/null"), 0) << "pngcheck: scripts/install-deps.sh test";
  const std::string arguments = "--size 97x31 --seed 3 --at \"2024-02-29 23:59:59\" --frames 3 --every 2 ";
  const std::string raw = Capture(arguments + "--format raw --out -");
  ASSERT_EQ(raw.size(), 2u * 97 * 31 * 3);
  std::size_t larger = SIZE_MAX;
  for (const char* compression : {"fast", "better", "best"}) {
    const std::string png = Capture(arguments + "--compression " + compression + " --out -");
    const std::size_t second = std::min(png.find("\x89PNG", 1), png.size());
    EXPECT_TRUE(DecodePng(png.substr(0, second)) + DecodePng(png.substr(second)) == raw) << compression;
    EXPECT_EQ(StrictCheck(png.substr(0, second)) + StrictCheck(png.substr(second)), "") << compression;
    const std::string picture = Capture("--size 320x180 --seed 3 --at \"2024-02-29 23:59:59\" --compression " +
                                        std::string(compression) + " --out -");
    EXPECT_EQ(StrictCheck(picture), "") << compression;
    EXPECT_LT(picture.size(), larger) << compression;
    larger = picture.size();
  }

  // The sizes video makers use, larger than the bands the rows are read in:
  // the PNG decodes to the raw frame, and the 4K frame, each 2x2 block
  // averaged, matches the 1080p one band by band of 8 rows (the scene is laid
  // out alike on both), so that no band of rows is out of place.
  const std::string moment = "--seed 3 --at \"2024-12-24 23:59:30\" --size ";
  std::string frames[2];
  for (const int height : {1080, 2160}) {
    const std::string size = std::to_string(height * 16 / 9) + "x" + std::to_string(height);
    std::string& rgb = frames[height / 2160];
    rgb = Capture(moment + size + " --format raw --out -");
    ASSERT_EQ(rgb.size(), std::size_t{3} * height * 16 / 9 * height) << size;
    EXPECT_TRUE(DecodePng(Capture(moment + size + " --out -")) == rgb) << size;
  }
  const auto bandMean = [&](const std::string& rgb, int width, int top, int rows, int channel) {
    double sum = 0;
    for (int y = top; y < top + rows; ++y)
      for (int x = 0; x < width; ++x) sum += static_cast<unsigned char>(rgb[(std::size_t{3} * width * y) + 3 * x + channel]);
    return sum / (width * rows);
  };
  double worst = 0;
  for (int band = 0; band < 1080 / 8; ++band)
    for (int channel = 0; channel < 3; ++channel)
      worst = std::max(worst, std::fabs(bandMean(frames[0], 1920, band * 8, 8, channel) -
                                        bandMean(frames[1], 3840, band * 16, 16, channel)));
  EXPECT_LT(worst, 2.0);
}

// Every video recipe of the README and the man page, on a few frames: ffprobe
// finds them all at their size, the videos in the yuv420p players take.
TEST(RenderCommand, VideoRecipesMakeVideosThatPlay) {
  if (std::system("command -v ffmpeg && command -v ffprobe >/dev/null") != 0) GTEST_SKIP() << "no ffmpeg here";
  const auto dir = FreshDir("videos");
  const std::string render = QUILLMOOR_RENDER_BIN " --size 64x48 --at \"2026-12-24 00:00:00\" --step 60 --frames 5 ";
  const std::string ffmpeg = "ffmpeg -loglevel error -nostdin ";
  ASSERT_EQ(std::system((render + "--out " + (dir / "%04d.png").string()).c_str()), 0);
  for (const auto& [recipe, video, pixels] : {
           std::tuple{ffmpeg + "-framerate 25 -i %04d.png -pix_fmt yuv420p day.mp4", "day.mp4", "yuv420p"},
           std::tuple{ffmpeg + "-i %04d.png -vf palettegen day-palette.png && " + ffmpeg +
                          "-framerate 10 -i %04d.png -i day-palette.png -lavfi paletteuse=dither=bayer day.gif",
                      "day.gif", "bgra"},
           std::tuple{ffmpeg + "-framerate 33 -i %04d.png -vf \"split[a][b];[a]palettegen[p];[b][p]paletteuse\" night.gif",
                      "night.gif", "bgra"},
           std::tuple{ffmpeg + "-framerate 10 -i %04d.png -vf \"select='not(mod(n,4))',setpts=N/10/TB,scale=320:-2:"
                               "flags=lanczos,split[a][b];[a]palettegen=max_colors=64[p];[b][p]paletteuse=dither=bayer:"
                               "bayer_scale=3\" small.gif", "small.gif", "bgra"},
           std::tuple{render + "--every 1 --out - | " + ffmpeg + "-f image2pipe -framerate 30 -i - -pix_fmt yuv420p png.mp4",
                      "png.mp4", "yuv420p"},
           std::tuple{render + "--every 1 --format raw --out - | " + ffmpeg +
                          "-f rawvideo -pixel_format rgb24 -video_size 64x48 -framerate 30 -i - -pix_fmt yuv420p raw.mp4",
                      "raw.mp4", "yuv420p"}}) {
    ASSERT_EQ(std::system(("cd " + dir.string() + " && " + recipe).c_str()), 0) << recipe;
    // The small GIF keeps pictures 0 and 4 of the five, at 320 pixels wide.
    const bool small = std::string(video) == "small.gif";
    EXPECT_EQ(Output("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                     "stream=width,height,pix_fmt,nb_read_frames -of csv=p=0 " + (dir / video).string()),
              (small ? "320,240," : "64,48,") + std::string(pixels) + (small ? ",2\n" : ",5\n")) << recipe;
  }
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

  // Frame k lies k x step after the first moment, rounded down to the
  // millisecond; the second hand reads the whole second, here across midnight.
  for (const auto& [step, numerator, denominator] : {std::tuple{"0.04", 40, 1}, std::tuple{"1/30", 1000, 30},
                                                     std::tuple{"0.999", 999, 1}}) {
    std::istringstream fine(Capture("--size 8x8 --at \"2026-12-24 23:59:59\" --frames 40 --every 1 --step " +
                                    std::string(step) + " --print-state"));
    int k = 0;
    for (; std::getline(fine, line); ++k) {
      const nlohmann::json state = nlohmann::json::parse(line);
      const long long offset = k * numerator / denominator, second = (59 + offset / 1000) % 60;
      EXPECT_EQ(state["ClockTime"]["Millisecond"], offset % 1000) << step << " " << k;
      EXPECT_DOUBLE_EQ(state["HandAngles"]["Second"].get<double>(), 90 - 6 * second) << step << " " << k;
      EXPECT_EQ(state["SceneParams"]["Day"], offset < 1000 ? 24 : 25) << step << " " << k;
    }
    EXPECT_EQ(k, 40) << step;
  }

  // Each documented form of the picture number: %d as it is, %5d padded with
  // spaces, %05d with zeros, up to %20d; %% a percent sign; a number wider
  // than its width written whole.
  struct Form {
    const char* pattern;
    int pictures;
    std::vector<const char*> names;
  };
  for (const Form& form : {Form{"a%d.png", 2, {"a0.png", "a1.png"}}, Form{"b%5d.png", 2, {"b    0.png", "b    1.png"}},
                           Form{"c%05d.png", 2, {"c00000.png", "c00001.png"}}, Form{"d%d%%.png", 2, {"d0%.png", "d1%.png"}},
                           Form{"e%02d.png", 101, {"e00.png", "e09.png", "e99.png", "e100.png"}},
                           Form{"f%20d.png", 1, {"f                   0.png"}}}) {
    const auto forms = FreshDir("forms");
    const Outcome run = RunRenderer("--size 4x4 --frames " + std::to_string(form.pictures) + " --out '" +
                                    (forms / form.pattern).string() + "'");
    EXPECT_EQ(run.status, 0) << form.pattern << ": " << run.said;
    for (const char* name : form.names) EXPECT_TRUE(std::filesystem::is_regular_file(forms / name)) << name;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(forms), {}), form.pictures) << form.pattern;
  }
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

// A frozen moment is a wall-clock time: in any zone every day has 86400 of
// its seconds, so a step through the night summer time begins or ends goes on
// second by second. Without --at the renderer reads the zone's time now: New
// York five hours behind UTC, four from the second Sunday of March at 07:00
// UTC to the first Sunday of November at 06:00 UTC; Kolkata five and a half
// ahead all year.
TEST(RenderCommand, MomentsAreTheZonesWallClock) {
  using namespace std::chrono;
  const auto clockTime = [](const nlohmann::json& state) {
    const auto& c = state["ClockTime"];
    return c["Hour"].get<int>() * 3600 + c["Minute"].get<int>() * 60 + c["Second"].get<int>();
  };
  struct Step {
    const char* from;
    int firstSecond;  // of the day, wall clock
  };
  for (const char* zone : {"America/New_York", "Asia/Kolkata"}) {
    for (const Step& step : {Step{"2026-03-08 01:59:58", 2 * 3600 - 2}, Step{"2026-11-01 01:59:58", 2 * 3600 - 2},
                             Step{"2026-11-01 00:59:58", 3600 - 2}}) {
      std::istringstream lines(Output(std::string("TZ=") + zone + " " + QUILLMOOR_RENDER_BIN + " --size 8x8 --at \"" +
                                      step.from + "\" --step 1 --frames 4 --every 1 --print-state"));
      int k = 0;
      for (std::string line; std::getline(lines, line); ++k) {
        const nlohmann::json state = nlohmann::json::parse(line);
        EXPECT_EQ(clockTime(state), step.firstSecond + k) << zone << " " << step.from << " + " << k;
        EXPECT_EQ(state["SceneParams"]["Day"], step.from[9] == '8' ? 8 : 1) << zone << " " << step.from;
      }
      EXPECT_EQ(k, 4) << zone << " " << step.from;
    }
  }

  const auto offset = [](const char* zone, sys_seconds at) -> seconds {
    if (std::string(zone) == "Asia/Kolkata") return hours{5} + minutes{30};
    const year y = year_month_day{floor<days>(at)}.year();
    const sys_seconds summerFrom = sys_days{y / March / Sunday[2]} + hours{7};
    const sys_seconds summerTo = sys_days{y / November / Sunday[1]} + hours{6};
    return at >= summerFrom && at < summerTo ? hours{-4} : hours{-5};
  };
  for (const char* zone : {"America/New_York", "Asia/Kolkata"}) {
    const auto secondOfDay = [&](sys_seconds at) {
      const sys_seconds local = at + offset(zone, at);
      return int((local - floor<days>(local)).count());
    };
    bool judged = false;
    for (int attempt = 0; attempt < 3 && !judged; ++attempt) {
      const int before = secondOfDay(floor<seconds>(system_clock::now()));
      const std::string line =
          Output(std::string("TZ=") + zone + " " + QUILLMOOR_RENDER_BIN + " --size 8x8 --print-state");
      const int after = secondOfDay(floor<seconds>(system_clock::now()));
      if (after < before) continue;  // midnight came between
      judged = true;
      ASSERT_FALSE(line.empty()) << zone;
      const int drawn = clockTime(nlohmann::json::parse(line));
      EXPECT_TRUE(drawn >= before && drawn <= after) << zone << ": drew " << drawn << ", now " << before << ".." << after;
    }
    EXPECT_TRUE(judged) << zone;
  }
}

// Starts the renderer with `arguments`, its standard error to the file
// `said` and, when given, its standard output to `out`; the stop signals at
// their default, whatever this test was started with, unless
// `hangupIgnored`: then SIGHUP is left ignored, as nohup leaves it.
pid_t StartRenderer(const std::vector<std::string>& arguments, const std::string& said, int out = -1,
                    bool hangupIgnored = false) {
  std::vector<char*> argv{const_cast<char*>("quillmoor-render")};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) sigaddset(&stops, signal);
  if (!hangupIgnored) sigaddset(&stops, SIGHUP);
  const auto inherited = signal(SIGHUP, hangupIgnored ? SIG_IGN : SIG_DFL);
  posix_spawnattr_setsigdefault(&attributes, &stops);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t child = 0;
  const int failed = posix_spawn(&child, QUILLMOOR_RENDER_BIN, &actions, &attributes, argv.data(), environ);
  signal(SIGHUP, inherited);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return failed ? -1 : child;
}

// The signals the process `child` handles (`field` "SigCgt") or ignores
// ("SigIgn"), as a mask with bit N - 1 for signal N.
std::uint64_t SignalMask(pid_t child, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(child) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1), nullptr, 16);
  return 0;
}
constexpr std::uint64_t Bit(int signal) { return std::uint64_t{1} << (signal - 1); }
// Whether this is the sanitizer build (AddressSanitizer, LeakSanitizer); its
// renderer catches three standard signals besides its own, for the
// sanitizer's reports of SIGSEGV, SIGBUS and SIGFPE.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
constexpr std::uint64_t SanitizerSignals = Sanitized ? Bit(SIGSEGV) | Bit(SIGBUS) | Bit(SIGFPE) : 0;

// Waits up to 30 s for `ready`.
void AwaitUpTo30s(const std::function<bool()>& ready) {
  for (int wait = 0; wait < 600 && !ready(); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// How the child ended: "exit N" or "killed by SIGX", or "still running"
// (and then killed) when it has not ended after 20 s.
std::string Ending(pid_t child) {
  int wstatus = 0;
  pid_t ended = 0;
  for (int wait = 0; wait < 400 && (ended = waitpid(child, &wstatus, WNOHANG)) == 0; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (ended != child) return kill(child, SIGKILL), waitpid(child, &wstatus, 0), "still running";
  if (WIFSIGNALED(wstatus)) return std::string("killed by SIG") + sigabbrev_np(WTERMSIG(wstatus));
  return "exit " + std::to_string(WEXITSTATUS(wstatus));
}

// SIGINT, SIGTERM and SIGHUP end a long sequence after the frame in hand:
// every file left is a whole PNG (it ends with the IEND chunk), numbered
// without a gap, no temporary file remains, and the renderer then dies by the
// signal, as a shell needs to see to end a loop on Ctrl-C.
// Started with SIGHUP ignored (nohup), it leaves it so: a SIGHUP changes
// nothing, and the run goes on until a SIGTERM stops it.
TEST(RenderCommand, StopsOnASignalLeavingOnlyCompleteFiles) {
  const auto said = (FreshDir("stopped").parent_path() / "stopped.txt").string();
  for (const auto& [signal, nohup] : {std::tuple{SIGINT, false}, std::tuple{SIGTERM, false},
                                      std::tuple{SIGHUP, false}, std::tuple{SIGTERM, true}}) {
    const auto dir = FreshDir("stopped");
    const pid_t child =
        StartRenderer({"--size", "64x48", "--frames", "1000000", "--out", (dir / "%06d.png").string()}, said, -1, nohup);
    ASSERT_GT(child, 0);
    AwaitUpTo30s([&] { return Entries(dir) >= 3; });
    if (nohup) {
      EXPECT_EQ(SignalMask(child, "SigCgt") & Bit(SIGHUP), 0u);
      kill(child, SIGHUP);
      AwaitUpTo30s([&] { return Entries(dir) >= 6; });
    }
    kill(child, signal);
    EXPECT_EQ(Ending(child), std::string("killed by SIG") + sigabbrev_np(signal));
    EXPECT_NE(ReadAll(said).find("stopped by SIG"), std::string::npos) << ReadAll(said);
    const long count = Entries(dir);
    EXPECT_GE(count, nohup ? 6 : 3);
    for (long n = 0; n < count; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "%06ld.png", n);
      const std::string png = ReadAll(dir / name);
      EXPECT_TRUE(png.size() > 12 && png.substr(png.size() - 12) == std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12))
          << name;
    }
  }

  // A reader that stops reading but keeps the pipe open, whether the pipe
  // blocks or not, cannot hold a stop: the frame it cut short is given up,
  // and neither told as written nor given a state line. A raw frame of
  // 64x48 is 9216 bytes; the pipe, once full, holds that many whole ones.
  for (const bool blocking : {true, false})
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      const auto dir = FreshDir("stalled");
      int ends[2];
      ASSERT_EQ(pipe2(ends, O_CLOEXEC | (blocking ? 0 : O_NONBLOCK)), 0);
      fcntl(ends[0], F_SETFL, 0);
      const pid_t child = StartRenderer({"--size", "64x48", "--frames", "10000000", "--every", "1", "--format", "raw",
                                         "--out", "-", "--state", (dir / "s.jsonl").string()}, said, ends[1]);
      close(ends[1]);
      int held = 0;
      const int capacity = fcntl(ends[0], F_GETPIPE_SZ);
      AwaitUpTo30s([&] {  // full: no room for another frame, and no more for half a second
        const int before = held;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return ioctl(ends[0], FIONREAD, &held) == 0 && held + 9216 > capacity && held == before;
      });
      const int whole = held / 9216;
      kill(child, signal);
      EXPECT_EQ(Ending(child), std::string("killed by SIG") + sigabbrev_np(signal)) << blocking;
      close(ends[0]);
      const std::string frames = std::to_string(whole);
      EXPECT_EQ(ReadAll(said), "quillmoor-render: stopped by SIG" + std::string(sigabbrev_np(signal)) + " after " +
                                   frames + " of 10000000 frames; " + frames + " frames written to standard output, " +
                                   frames + " state lines written to \"" + (dir / "s.jsonl").string() + "\"; frame " +
                                   frames + "'s raw frame cut short\n") << blocking;
      const std::string lines = ReadAll(dir / "s.jsonl");
      EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), whole) << blocking;
      EXPECT_EQ(Entries(dir), 1);
    }

  // State lines alone into a pipe whose reader has stopped: the line in hand
  // waits for room with nothing of it written yet when SIGTERM comes, and the
  // run still ends by the signal within a second, telling the lines the pipe
  // took whole.
  {
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    const pid_t child = StartRenderer({"--size", "8x8", "--frames", "10000000", "--every", "1", "--print-state"}, said,
                                      ends[1]);
    close(ends[1]);
    int held = 0;
    AwaitUpTo30s([&] {  // full: no more for half a second
      const int before = held;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      return ioctl(ends[0], FIONREAD, &held) == 0 && held > 0 && held == before;
    });
    const auto sent = std::chrono::steady_clock::now();
    kill(child, SIGTERM);
    EXPECT_EQ(Ending(child), "killed by SIGTERM");
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
    std::string lines;
    char part[4096];
    for (ssize_t got; (got = read(ends[0], part, sizeof part)) > 0;) lines.append(part, static_cast<std::size_t>(got));
    close(ends[0]);
    const std::string whole = std::to_string(std::count(lines.begin(), lines.end(), '\n'));
    EXPECT_EQ(lines.back(), '\n');
    EXPECT_EQ(ReadAll(said), "quillmoor-render: stopped by SIGTERM after " + whole + " of 10000000 frames; " + whole +
                                 " state lines written to standard output; frame " + whole + "'s state line cut short\n");
  }

  // Ctrl-C (SIGINT to the process group) ends a shell loop that calls the
  // renderer, not only the renderer in hand: the shell sees it die by SIGINT.
  const auto loop = FreshDir("loop");
  const std::string script = "for i in 1 2 3; do echo $i >> " + (loop / "started").string() + "; " QUILLMOOR_RENDER_BIN
                             " --size 8x8 --frames 10000000 --out /dev/null 2>/dev/null; done";
  const char* const shellArguments[] = {"bash", "-c", script.c_str(), nullptr};
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  posix_spawnattr_setsigdefault(&attributes, &interrupt);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t shell = 0;
  ASSERT_EQ(posix_spawn(&shell, "/bin/bash", nullptr, &attributes, const_cast<char**>(shellArguments), environ), 0);
  posix_spawnattr_destroy(&attributes);
  const auto renderer = [&] {
    std::ifstream children("/proc/" + std::to_string(shell) + "/task/" + std::to_string(shell) + "/children");
    pid_t child = 0;
    return children >> child ? child : 0;
  };
  AwaitUpTo30s([&] { return renderer() > 0 && (SignalMask(renderer(), "SigCgt") & Bit(SIGINT)) != 0; });
  kill(-shell, SIGINT);
  EXPECT_EQ(Ending(shell), "killed by SIGINT");
  kill(-shell, SIGKILL);  // a renderer the loop went on to start
  EXPECT_EQ(ReadAll(loop / "started"), "1\n");

  // A stop before any kept frame (only the last of 10,000,000 would be)
  // leaves the state file as it was; a temporary file a killed run left
  // beside it, which no one holds, is cleared away.
  const auto dir = FreshDir("stopped");
  const std::string state = (dir / "s.jsonl").string();
  std::ofstream(state) << "kept\n";
  std::ofstream(dir / ".s.jsonl.quillmoor-render.Stale1") << "left by a killed run";
  pid_t child = StartRenderer({"--size", "64x48", "--frames", "10000000", "--state", state}, said);
  ASSERT_GT(child, 0);
  // Its handlers in place, it catches the four stop signals and no other
  // standard one, and ignores SIGXFSZ, so that a write past the file-size
  // limit fails as a write instead of ending the process.
  AwaitUpTo30s([&] { return (SignalMask(child, "SigCgt") & Bit(SIGINT)) != 0; });
  EXPECT_EQ(SignalMask(child, "SigCgt") & 0x7fffffff & ~SanitizerSignals,
            Bit(SIGINT) | Bit(SIGTERM) | Bit(SIGHUP) | Bit(SIGPIPE));
  EXPECT_NE(SignalMask(child, "SigIgn") & Bit(SIGXFSZ), 0u);
  kill(child, SIGINT);
  EXPECT_EQ(Ending(child), "killed by SIGINT");
  const std::string stopped = ReadAll(said);
  EXPECT_TRUE(stopped.starts_with("quillmoor-render: stopped by SIGINT after ") &&
              stopped.ends_with(" of 10000000 frames; no state line written\n")) << stopped;
  EXPECT_EQ(ReadAll(state), "kept\n");
  EXPECT_EQ(Entries(dir), 1);

  // A reader that closes a PNG stream early stops the run as SIGPIPE does,
  // and it dies by SIGPIPE: the state file holds whole lines only, and no temporary file
  // is left.
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  child = StartRenderer({"--size", "64x48", "--frames", "1000000", "--every", "1", "--out", "-", "--state", state}, said,
                        ends[1]);
  close(ends[1]);
  char head[100];
  EXPECT_GT(read(ends[0], head, sizeof head), 0);
  close(ends[0]);
  EXPECT_EQ(Ending(child), "killed by SIGPIPE");
  // The state file is replaced by a line for each picture written whole.
  std::istringstream lines(ReadAll(state));
  int written = 0;
  for (std::string line; std::getline(lines, line); ++written) EXPECT_TRUE(nlohmann::json::accept(line)) << line;
  const std::string pictures = std::to_string(written) + (written == 1 ? " picture" : " pictures");
  EXPECT_NE(ReadAll(said).find(pictures + " written to standard output, " + std::to_string(written) + " state line"),
            std::string::npos) << ReadAll(said);
  EXPECT_EQ(Entries(dir), 1);

  // The state alone into "head -n 3": the message tells the lines written
  // and the one cut short.
  const std::string headed = Output("{ " QUILLMOOR_RENDER_BIN " --size 8x8 --frames 1000000 --every 1 --print-state | "
                                  "head -n 3 >/dev/null; } 2>&1");
  EXPECT_TRUE(std::regex_match(headed, std::regex("quillmoor-render: stopped by SIGPIPE after [0-9]+ of 1000000 frames; "
                                                "[0-9]+ state lines written to standard output; frame [0-9]+'s state "
                                                "line cut short\n"))) << headed;

  // A stop that comes once the last frame is drawn, while its state line
  // waits for room in a full pipe that is then read, still ends by SIGTERM
  // and says so.
  ASSERT_EQ(pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
  while (write(ends[1], "full", 4) == 4) continue;  // the pipe filled
  fcntl(ends[0], F_SETFL, 0), fcntl(ends[1], F_SETFL, 0);
  const auto last = dir / "last.png";
  child = StartRenderer({"--size", "64x48", "--out", last.string(), "--state", "/dev/fd/1"}, said, ends[1]);
  close(ends[1]);
  AwaitUpTo30s([&] { return std::filesystem::exists(last); });
  kill(child, SIGTERM);
  for (char sink[4096]; read(ends[0], sink, sizeof sink) > 0;) continue;  // room for the line, then the end
  close(ends[0]);
  EXPECT_EQ(Ending(child), "killed by SIGTERM");
  EXPECT_EQ(ReadAll(said), "quillmoor-render: stopped by SIGTERM after 1 of 1 frames; 1 picture written, the last \"" +
                               last.string() + "\", 1 state line written to standard output\n");
}

// A replaced file lasts: data written, synced, renamed, the folder synced,
// with an unnamed temporary file (O_TMPFILE) and, where /proc cannot name it,
// a named one. Short writes change nothing; a failed sync or rename leaves the
// earlier file and no temporary one; a full non-blocking pipe is waited for.
// LeakSanitizer cannot work in a traced process: the sanitizer build's
// renderer runs under strace without its leak check; and not at all without
// /proc, where the sanitizer reads its options and the memory map.
const std::string Untraced = Sanitized ? "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" " : "";

TEST(RenderCommand, KeepsFilesWholeUnderInjectedFaults) {
  const auto dir = FreshDir("faults");
  const std::string target = (dir / "x.png").string(), trace = (dir.parent_path() / "trace").string();
  const std::string hideProc = "unshare -m --propagation private sh -c 'mount -t tmpfs tmpfs /proc && exec \"$0\" \"$@\"'";
  for (const bool named : {false, true}) {
    if (named && (Sanitized || std::system((hideProc + " true 2>/dev/null").c_str()) != 0)) continue;  // not as an ordinary user
    const Outcome run = RunRenderer("--size 64x48 --out " + target, Untraced + "strace -f -y -o " + trace +
                                    " -e trace=umask,openat,write,fsync,rename " + (named ? hideProc : ""));
    ASSERT_EQ(run.status, 0) << run.said;
    const std::string in = "[0-9]+<" + dir.string();
    const std::pair<std::regex, char> letters[] = {
        {std::regex("umask\\("), 'M'}, {std::regex("openat\\(.*O_TMPFILE"), 'U'}, {std::regex("openat\\(.*O_EXCL"), 'N'},
        {std::regex("write\\(" + in + "/.*\"\\\\211PNG"), 'W'}, {std::regex("fsync\\(" + in + "/.* = 0"), 'S'},
        {std::regex("rename\\(.*\"" + target + "\"\\) = 0"), 'R'}, {std::regex("fsync\\(" + in + ">\\) += 0"), 'D'}};
    std::string order;
    std::istringstream calls(ReadAll(trace));
    for (std::string line; std::getline(calls, line);)
      for (const auto& [call, letter] : letters)
        if (std::regex_search(line, call)) order += letter;
    // The umask read (set and set back) once, at the start; the probe, then the picture.
    EXPECT_EQ(order, named ? "MMNNWSRD" : "MMUUWSRD") << ReadAll(trace);
  }

  const std::string picture = "--size 320x240 --seed 3 --at \"2026-12-24 00:00:00\" --out ";
  ASSERT_EQ(RunRenderer(picture + "-> " + (dir / "whole.png").string()).status, 0);
  for (const auto& [fault, status] : {std::pair{"posix/io/rw/write/reduce", 0}, std::pair{"posix/io/sync/fsync,failinfo=5", 1},
                                      std::pair{"posix/io/dir/rename,failinfo=5", 1}}) {
    // libfiu's wrappers of the C library, preloaded, and the sanitizer's own
    // interceptors do not work together: the sanitizer build's renderer dies
    // on its first write, so these faults are put in the ordinary build only.
    if (Sanitized) break;
    std::ofstream(target) << "an earlier picture, kept";
    const Outcome run = RunRenderer(picture + target, "fiu-run -x -c 'enable name=" + std::string(fault) + "'");
    EXPECT_EQ(run.status, status) << fault << ": " << run.said;
    EXPECT_EQ(ReadAll(target), status == 0 ? ReadAll(dir / "whole.png") : "an earlier picture, kept") << fault;
    EXPECT_EQ(run.said, status == 0 ? "" : "quillmoor-render: cannot write \"" + target + "\": Input/output error\n");
    EXPECT_EQ(Entries(dir), 2) << fault;
  }

  // A failure on the writer thread is a failed write: no memory for the
  // compressor, a deflate that makes no stream (told as itself), an exception.
  for (const auto& [fault, cause] : {std::pair{"memory", "Cannot allocate memory"},
                                     std::pair{"stream", "the deflate made no stream within its bound"},
                                     std::pair{"exception", "vector::_M_default_append"}}) {
    std::ofstream(target) << "an earlier picture, kept";
    const Outcome run = RunRenderer(picture + target, "QUILLMOOR_DEFLATE_FAULT=" + std::string(fault) +
                                                          " LD_PRELOAD=" QUILLMOOR_DEFLATE_FAULTS);
    EXPECT_EQ(run.status, 1) << fault;
    EXPECT_EQ(run.said, "quillmoor-render: cannot write \"" + target + "\": " + cause + "\n");
    EXPECT_EQ(ReadAll(target), "an earlier picture, kept") << fault;
    EXPECT_EQ(Entries(dir), 2) << fault;
  }

  // A failure the main thread throws (no memory for a frame's pixels, as for
  // a large --size) fails the run in one line, like a failed write: the
  // earlier picture and state file stay, and no temporary file is left.
  {
    std::ofstream(target) << "an earlier picture, kept";
    const std::string state = (dir / "s.jsonl").string();
    std::ofstream(state) << "an earlier state, kept\n";
    const Outcome run = RunRenderer(picture + target + " --state " + state,
                                    "QUILLMOOR_DEFLATE_FAULT=read-pixels LD_PRELOAD=" QUILLMOOR_DEFLATE_FAULTS);
    EXPECT_EQ(run.status, 1) << run.said;
    EXPECT_EQ(run.said, "quillmoor-render: cannot render the frames: Cannot allocate memory\n");
    EXPECT_EQ(ReadAll(target), "an earlier picture, kept");
    EXPECT_EQ(ReadAll(state), "an earlier state, kept\n");
    EXPECT_EQ(Entries(dir), 3);
    std::filesystem::remove(state);
  }

  // Standard output a full non-blocking pipe, read slowly: every picture
  // arrives whole.
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
  const std::string said = (dir.parent_path() / "said").string();
  const pid_t child = StartRenderer({"--size", "320x240", "--frames", "6", "--every", "1", "--out", "-"}, said, ends[1]);
  close(ends[1]);
  fcntl(ends[0], F_SETFL, 0);
  std::string stream;
  char part[4096];
  for (ssize_t got; std::this_thread::sleep_for(std::chrono::milliseconds(10)), (got = read(ends[0], part, 4096)) > 0;)
    stream.append(part, static_cast<std::size_t>(got));
  close(ends[0]);
  EXPECT_EQ(Ending(child), "exit 0") << ReadAll(said);
  EXPECT_EQ(PngSizes(stream), (std::vector<std::pair<long, long>>(6, {320, 240})));
}

// The progress line takes the longest form that leaves a terminal's last
// column free, and none when even the count does not fit: each form on both
// sides of its width, and a run on terminals one column either side of the
// count's.
TEST(Progress, FitsTheTerminalWidth) {
  const char* const full = "quillmoor-render: 250/1000 frames, 12.5 frames/s, 1:00 left";
  const char* const frames = "250/1000 frames, 12.5 frames/s, 1:00 left";
  const char* const brief = "250/1000, 12.5/s, 1:00 left";
  for (const auto& [columns, line] : {std::pair{80, full}, std::pair{60, full}, std::pair{59, frames},
                                      std::pair{42, frames}, std::pair{41, brief}, std::pair{28, brief},
                                      std::pair{27, "250/1000"}, std::pair{9, "250/1000"}, std::pair{8, ""},
                                      std::pair{3, ""}})
    EXPECT_EQ(ProgressLine(250, 1000, 12.5, columns), line) << columns;
  // What stays on the terminal after the last '\r'.
  for (const auto& [columns, last] : {std::pair{7, ""}, std::pair{8, "100/100"}}) {
    const std::string shown = Output("script -qfec 'stty cols " + std::to_string(columns) + "; " QUILLMOOR_RENDER_BIN
                                     " --size 8x8 --frames 100 --out /dev/null' /dev/null");
    const std::size_t end = shown.rfind("\r\n"), start = shown.rfind('\r', end - 1);
    ASSERT_NE(start, std::string::npos) << shown;
    std::string tail = shown.substr(start + 1, end - start - 1);
    tail.erase(tail.find_last_not_of(' ') + 1);
    EXPECT_EQ(tail, last) << columns;
  }
}

}  // namespace
