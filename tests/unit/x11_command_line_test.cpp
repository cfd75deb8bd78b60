#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "escaped_message.h"
#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"
#include "host/x11/command_line.h"

namespace {

struct Parsed {
  std::optional<X11Options> options;
  std::string error;
};

Parsed Parse(std::initializer_list<const char*> arguments, const char* windowVariable = nullptr) {
  std::vector<const char*> argv{"quillmoor"};
  argv.insert(argv.end(), arguments);
  Parsed parsed;
  parsed.options = ParseX11Options(static_cast<int>(argv.size()), argv.data(), windowVariable, parsed.error);
  return parsed;
}

TEST(X11CommandLine, NoOptionsOpenTheSaversOwnWindow) {
  const Parsed parsed = Parse({});
  ASSERT_TRUE(parsed.options);
  EXPECT_EQ(parsed.options->Target, X11Target::OwnWindow);
  EXPECT_FALSE(parsed.options->Help);
}

TEST(X11CommandLine, RootWithOneDashOrTwo) {
  for (const char* root : {"--root", "-root"}) {
    const Parsed parsed = Parse({root});
    ASSERT_TRUE(parsed.options) << root << ": " << parsed.error;
    EXPECT_EQ(parsed.options->Target, X11Target::RootWindow) << root;
    EXPECT_FALSE(parsed.options->ShowFps);
  }
  // Of --root and --window the later wins.
  EXPECT_EQ(Parse({"-root", "-window"}).options->Target, X11Target::OwnWindow);
  EXPECT_EQ(Parse({"--window", "--root"}).options->Target, X11Target::RootWindow);
}

TEST(X11CommandLine, WhatADaemonPassesEveryHackIsAcceptedAndFpsShowsTheRate) {
  for (const auto& arguments : std::vector<std::vector<const char*>>{
           {"-root", "-install", "-visual", "0x21", "-delay", "20000", "-fps"},
           {"--fps", "--visual=best", "--delay=10000", "--install", "--root"}}) {
    std::vector<const char*> argv{"quillmoor"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    const auto options = ParseX11Options(static_cast<int>(argv.size()), argv.data(), nullptr, error);
    ASSERT_TRUE(options) << arguments[0] << ": " << error;
    EXPECT_EQ(options->Target, X11Target::RootWindow);
    EXPECT_TRUE(options->ShowFps);
  }
}

TEST(X11CommandLine, WindowIdInDecimalOrHexadecimal) {
  const std::vector<std::pair<std::vector<const char*>, unsigned long>> cases = {
      {{"--window-id", "4194311"}, 4194311},  {{"--window-id", "0x400007"}, 0x400007},
      {{"-window-id", "0X4A"}, 0x4A},          {{"--window-id=0xffffffff"}, 0xFFFFFFFF},
      {{"-window-id=12"}, 12},
      // The smallest and the largest id; "0x" makes the one digit after it hexadecimal.
      {{"--window-id", "1"}, 1},               {{"--window-id", "0x1"}, 1},
      {{"--window-id", "4294967295"}, 0xFFFFFFFF},
  };
  for (const auto& [arguments, id] : cases) {
    std::vector<const char*> argv{"quillmoor"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    const auto options = ParseX11Options(static_cast<int>(argv.size()), argv.data(), nullptr, error);
    ASSERT_TRUE(options) << arguments.back() << ": " << error;
    EXPECT_EQ(options->Target, X11Target::ExistingWindow);
    EXPECT_EQ(options->WindowId, id) << arguments.back();
  }
}

TEST(X11CommandLine, MalformedWindowIdsAreRefused) {
  for (const char* id : {"", "0", "0x0", "0x", "zz", "12abc", "0x1g", "-5", "+5", "0x-1", " 12", "12 ",
                         "4294967296", "0x100000000", "99999999999999999999999"}) {
    const Parsed parsed = Parse({"--window-id", id});
    EXPECT_FALSE(parsed.options) << "'" << id << "'";
    EXPECT_NE(parsed.error.find("not a window id"), std::string::npos) << parsed.error;
  }
}

TEST(X11CommandLine, BadCommandLinesSayWhy) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"--window-id"}, "needs a window id"},
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"root"}, "unknown option 'root'"},
      {{"-"}, "unknown option '-'"},
      {{"--"}, "unknown option '--'"},
      {{"---root"}, "unknown option '---root'"},
      {{"--root=1"}, "takes no value"},
      {{"--fps=1"}, "takes no value"},
      {{"--delay"}, "needs a value"},
      {{"--delay", "--root"}, "--delay: '--root' is not a number of microseconds from 10000 to 1000000"},
      {{"-delay", "-20000"}, "'-20000' is not a number of microseconds"},
      {{"--visual", "--root"}, "--visual needs a visual"},
      {{"--window-id", "5", "--window-id", "6"}, "given twice"},
  };
  for (const auto& [arguments, message] : cases) {
    std::vector<const char*> argv{"quillmoor"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    EXPECT_FALSE(ParseX11Options(static_cast<int>(argv.size()), argv.data(), nullptr, error)) << arguments[0];
    EXPECT_NE(error.find(message), std::string::npos) << "'" << error << "' lacks '" << message << "'";
  }
}

// 10000 to 1000000 microseconds, digits only; 30 ms when not given.
TEST(X11CommandLine, TheDelayBetweenFramesAndItsRange) {
  EXPECT_EQ(Parse({}).options->Delay.count(), 30000);
  for (const auto& [text, microseconds] : std::vector<std::pair<const char*, long>>{
           {"10000", 10000}, {"1000000", 1000000}, {"45000", 45000}, {"0020000", 20000}}) {
    const Parsed parsed = Parse({"-delay", text});
    ASSERT_TRUE(parsed.options) << text << ": " << parsed.error;
    EXPECT_EQ(parsed.options->Delay.count(), microseconds) << text;
  }
  for (const char* text : {"9999", "1000001", "0", "", "+20000", "20000us", " 20000", "0x8000", "99999999999999999999999"}) {
    const Parsed parsed = Parse({"--delay", text});
    EXPECT_FALSE(parsed.options) << text;
    EXPECT_EQ(parsed.error, "--delay: '" + std::string(text) + "' is not a number of microseconds from 10000 to 1000000");
  }
}

// Every control character a message echoes, C0 and DEL, is written as a C
// escape, so that no value can break the line or command the terminal.
TEST(X11CommandLine, MessagesEscapeEveryControlCharacter) {
  EXPECT_EQ(EscapeControls(std::string_view("\0\\", 2)), R"(\x00\\)");
  const std::string controls = ControlCharacters(), dashed = "-" + controls;
  EXPECT_EQ(EscapeControls(controls), ControlsEscaped);
  for (const auto& arguments : std::vector<std::vector<const char*>>{
           {"--visual", dashed.c_str()}, {"--delay", controls.c_str()}, {"--window-id", controls.c_str()},
           {dashed.c_str()}}) {
    std::vector<const char*> argv{"quillmoor"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    EXPECT_FALSE(ParseX11Options(static_cast<int>(argv.size()), argv.data(), nullptr, error)) << arguments[0];
    ExpectEscaped(error);
  }
  ExpectEscaped(Parse({}, controls.c_str()).error);
}

TEST(X11CommandLine, HelpWinsOverTheEnvironment) {
  for (const char* help : {"--help", "-help", "-h"}) {
    const Parsed parsed = Parse({help}, "not a window");
    ASSERT_TRUE(parsed.options) << help << ": " << parsed.error;
    EXPECT_TRUE(parsed.options->Help);
  }
  for (const char* version : {"--version", "-version"})
    EXPECT_TRUE(Parse({version}, "not a window").options.value_or(X11Options{}).Version) << version;
  EXPECT_FALSE(Parse({"--help", "--bogus"}).options);
}

TEST(X11CommandLine, TheEnvironmentsWindowWhenTheCommandLineNamesNone) {
  Parsed parsed = Parse({}, "0x2a00007");
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_EQ(parsed.options->Target, X11Target::ExistingWindow);
  EXPECT_EQ(parsed.options->WindowId, 0x2a00007u);

  // Surrounding white space, as a shell may leave it, does not matter.
  parsed = Parse({}, " 44040199\n");
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_EQ(parsed.options->WindowId, 44040199u);

  // Set but empty is as good as not set.
  for (const char* nothing : {"", "  "}) {
    parsed = Parse({}, nothing);
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->Target, X11Target::OwnWindow);
  }
}

TEST(X11CommandLine, TheWindowIdWinsOverTheEnvironmentWhichWinsOverRoot) {
  // A daemon runs "--root" with its window in the environment: that window.
  Parsed parsed = Parse({"--root"}, "0x2a00007");
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_EQ(parsed.options->Target, X11Target::ExistingWindow);
  EXPECT_EQ(parsed.options->WindowId, 0x2a00007u);

  parsed = Parse({"--window-id", "0x51"}, "0x2a00007");
  ASSERT_TRUE(parsed.options);
  EXPECT_EQ(parsed.options->WindowId, 0x51u);

  // A settings dialog's preview runs "--root --window-id ID": the id, in either order.
  for (const auto& arguments : std::vector<std::vector<const char*>>{{"--root", "--window-id", "5"},
                                                                     {"--window-id", "5", "-root"}}) {
    std::vector<const char*> argv{"quillmoor"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    const auto options = ParseX11Options(static_cast<int>(argv.size()), argv.data(), "0x2a00007", error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->Target, X11Target::ExistingWindow);
    EXPECT_EQ(options->WindowId, 5u);
  }

  // Not even looked at behind --window-id: a broken value does no harm there,
  // but --root does not hide it.
  EXPECT_TRUE(Parse({"--window-id", "5"}, "garbage").options);
  EXPECT_FALSE(Parse({"--root"}, "garbage").options);
}

TEST(X11CommandLine, ABrokenEnvironmentValueIsAnError) {
  for (const char* value : {"garbage", "0", "0x", "12 34"}) {
    const Parsed parsed = Parse({}, value);
    EXPECT_FALSE(parsed.options) << value;
    EXPECT_NE(parsed.error.find("XSCREENSAVER_WINDOW"), std::string::npos) << parsed.error;
  }
}

}  // namespace
