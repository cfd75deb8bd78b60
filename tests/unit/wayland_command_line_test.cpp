#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "escaped_message.h"
#include "host/wayland/command_line.h"

namespace {

std::optional<WaylandOptions> Parse(std::vector<const char*> arguments, std::string& error) {
  arguments.insert(arguments.begin(), "quillmoor-wayland");
  return ParseWaylandOptions(static_cast<int>(arguments.size()), arguments.data(), error);
}

TEST(WaylandCommandLine, OutputLayerAndFpsWithOneDashOrTwo) {
  std::string error;
  auto options = Parse({}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->Output, "");
  EXPECT_EQ(options->Layer, WaylandLayer::Overlay);
  EXPECT_FALSE(options->ShowFps);

  const std::vector<std::pair<std::vector<const char*>, WaylandLayer>> layers = {
      {{"--layer", "overlay"}, WaylandLayer::Overlay},  {{"-layer", "top"}, WaylandLayer::Top},
      {{"--layer=bottom"}, WaylandLayer::Bottom},       {{"-layer=background"}, WaylandLayer::Background},
      {{"--layer", "top", "--layer", "background"}, WaylandLayer::Background},
  };
  for (const auto& [arguments, layer] : layers) {
    options = Parse(arguments, error);
    ASSERT_TRUE(options) << arguments.back() << ": " << error;
    EXPECT_EQ(options->Layer, layer) << arguments.back();
  }
  // Keys and the pointer end it above the windows only.
  EXPECT_TRUE(EndsOnInput(WaylandLayer::Overlay));
  EXPECT_TRUE(EndsOnInput(WaylandLayer::Top));
  EXPECT_FALSE(EndsOnInput(WaylandLayer::Bottom));
  EXPECT_FALSE(EndsOnInput(WaylandLayer::Background));

  options = Parse({"-output", "HDMI-A-1", "--fps", "-version", "-h"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->Output, "HDMI-A-1");
  EXPECT_TRUE(options->ShowFps && options->Version && options->Help);
  options = Parse({"--output=DP-2"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->Output, "DP-2");
  EXPECT_EQ(options->Delay.count(), 30000);
  options = Parse({"-delay", "100000", "--layer", "background"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->Delay.count(), 100000);
}

TEST(WaylandCommandLine, BadCommandLinesSayWhy) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"--layer"}, "--layer needs a value"},
      {{"--layer", "Overlay"}, "'Overlay' is not overlay, top, bottom or background"},
      {{"--layer="}, "'' is not overlay"},
      {{"--output"}, "--output needs a value"},
      {{"--output="}, "--output needs an output's name, not ''"},
      {{"--output", "--fps"}, "not '--fps'"},
      {{"--output", "A", "--output", "B"}, "given twice"},
      {{"--fps=1"}, "takes no value"},
      {{"--root"}, "unknown option '--root'"},
      {{"--delay"}, "--delay needs a value"},
      {{"--delay=9999"}, "--delay: '9999' is not a number of microseconds from 10000 to 1000000"},
      {{"--delay", "1000001"}, "'1000001' is not a number of microseconds"},
      {{"overlay"}, "unknown option 'overlay'"},
  };
  for (const auto& [arguments, message] : cases) {
    std::string error;
    EXPECT_FALSE(Parse(arguments, error)) << arguments[0];
    EXPECT_NE(error.find(message), std::string::npos) << "'" << error << "' lacks '" << message << "'";
  }
}

TEST(WaylandCommandLine, MessagesEscapeEveryControlCharacter) {
  const std::string controls = ControlCharacters(), dashed = "-" + controls;
  for (const auto& arguments : std::vector<std::vector<const char*>>{
           {"--output", dashed.c_str()}, {"--layer", controls.c_str()}, {dashed.c_str()}}) {
    std::string error;
    EXPECT_FALSE(Parse(arguments, error)) << arguments[0];
    ExpectEscaped(error);
  }
}

// Where the client library looks for the compositor's socket, and what keeps
// it from finding one, byte for byte: a socket's path holds at most 107 bytes
// (108 with the null that ends it), both sides of that; a runtime folder
// unset, empty or relative; the folder echoed escaped on every message.
TEST(WaylandCommandLine, TheSocketsPathAndWhatKeepsItFromBeingFound) {
  const std::string notSet = "XDG_RUNTIME_DIR is not set: no folder to find the Wayland compositor's socket in";
  const std::string noFolder = "' is not an absolute path: no folder to find the Wayland compositor's socket in";
  const auto tooLong = [](const std::string& path) {
    return "the Wayland socket's path '" + path + "' is longer than the 107 bytes a socket's path can have";
  };
  // A runtime folder that with "/wayland-1" makes a path of `length` bytes.
  const auto folder = [](std::size_t length) { return "/" + std::string(length - 11, 'r'); };
  const std::string f106 = folder(106), f107 = folder(107), f108 = folder(108);
  const std::string full107 = f107 + "/wayland-1", full108 = f108 + "/wayland-1";
  const std::string controls = ControlCharacters() + "\x9b";
  const std::string tail(100, 't'), longControls = "/" + controls + tail;
  const struct {
    const char* Display;
    const char* RuntimeDir;
    std::string Problem;
  } rows[] = {{"wayland-1", f106.c_str(), ""},
              {"wayland-1", f107.c_str(), ""},
              {"wayland-1", f108.c_str(), tooLong(full108)},
              {full107.c_str(), nullptr, ""},
              {full108.c_str(), nullptr, tooLong(full108)},
              {nullptr, "/run/user/1000", ""},
              {"wayland-1", nullptr, notSet},
              {"wayland-1", "", notSet},
              {nullptr, "run/user", "XDG_RUNTIME_DIR 'run/user" + noFolder},
              {"wayland-1", controls.c_str(), "XDG_RUNTIME_DIR '" + ControlsEscaped + "\\x9b" + noFolder},
              {"wayland-1", longControls.c_str(), tooLong("/" + ControlsEscaped + "\\x9b" + tail + "/wayland-1")}};
  for (const auto& row : rows)
    EXPECT_EQ(WaylandSocketProblem(row.Display, row.RuntimeDir), row.Problem)
        << (row.Display ? row.Display : "(unset)") << " in " << (row.RuntimeDir ? row.RuntimeDir : "(unset)");
  EXPECT_EQ(full107.size(), 107u);
  EXPECT_EQ(full108.size(), 108u);
}

}  // namespace
