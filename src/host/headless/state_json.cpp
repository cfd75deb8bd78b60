#include "host/headless/state_json.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "base/scene_params.h"
#include "curtain/curtain.h"
#include "frame/countdown.h"
#include "frame/frame_state.h"
#include "snow/flakes.h"
#include "snow/ground.h"

namespace {

// A small streaming writer: objects and arrays with commas placed for us.
class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void Begin(const char* key, char bracket) {
    Key(key);
    out_ << bracket;
    first_ = true;
  }
  void End(char bracket) {
    out_ << bracket;
    first_ = false;
  }
  void Number(const char* key, long double value) {
    Key(key);
    if (!std::isfinite(value)) {
      out_ << "null";
      return;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.10g", static_cast<double>(value));
    out_ << text;
  }
  void Integer(const char* key, long long value) {
    Key(key);
    out_ << value;
  }
  void String(const char* key, const std::string& value) {
    Key(key);
    out_ << '"';
    for (char c : value) {
      if (c == '"' || c == '\\') out_ << '\\' << c;
      else if (static_cast<unsigned char>(c) < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out_ << escaped;
      } else out_ << c;
    }
    out_ << '"';
  }

 private:
  void Key(const char* key) {
    if (!first_) out_ << ',';
    first_ = false;
    if (key) out_ << '"' << key << "\":";
  }

  std::ostream& out_;
  bool first_ = true;
};

void WriteFrameState(JsonWriter& json) {
  json.Begin("ClockTime", '{');
  json.Integer("Hour", ClockTime.Hour);
  json.Integer("Minute", ClockTime.Minute);
  json.Integer("Second", ClockTime.Second);
  json.Integer("Millisecond", ClockTime.Millisecond);
  json.End('}');

  json.Begin("HandAngles", '{');
  json.Number("Hour", HandAngles.Hour);
  json.Number("Minute", HandAngles.Minute);
  json.Number("Second", HandAngles.Second);
  json.End('}');

  json.Begin("TextDrift", '{');
  json.Begin("Angles", '[');
  for (float angle : TextDrift.Angles) json.Number(nullptr, angle);
  json.End(']');
  json.End('}');

  json.Begin("HeadlineFade", '{');
  json.Number("HeadlineAlpha", SceneParams.TextAlpha);
  json.Number("PartnerAlpha", HeadlineFade.PartnerAlpha);
  json.Number("Step", HeadlineFade.Step);
  json.End('}');
}

void WriteCountdown(JsonWriter& json) {
  const CountdownRecord& c = CountdownState;
  json.Begin("CountdownState", '{');
  json.String("Display", CountdownLines.Display == CountdownDisplay::Christmas ? "Christmas" : "NewYear");
  json.Integer("DayOfYear", c.DayOfYear);
  json.Integer("DaysToNewYear", c.DaysToNewYear);
  json.Integer("DaysToChristmas", c.DaysToChristmas);
  json.Integer("HoursLeft", c.HoursLeft);
  json.Integer("MinutesLeft", c.MinutesLeft);
  json.Integer("SecondsLeft", c.SecondsLeft);
  json.Begin("Lines", '[');
  for (const CountdownLine& line : CountdownLines.Lines) {
    json.Begin(nullptr, '{');
    json.String("Text", line.Text);
    json.Number("Alpha", line.Alpha);
    json.End('}');
  }
  json.End(']');
  json.End('}');
}

void WriteCurtain(JsonWriter& json) {
  const CurtainSize size = CurrentCurtainSize();
  json.Begin("Curtain", '{');
  json.Integer("ColourPattern", ColourPattern);
  json.Integer("Rows", size.Rows);
  json.Integer("Columns", size.Columns);
  json.End('}');
}

void WriteSceneParams(JsonWriter& json) {
  const SceneParameters& p = SceneParams;
  json.Begin("SceneParams", '{');
  json.Number("Aspect", p.Aspect);
  json.Integer("MeshColumns", p.MeshColumns);
  json.Integer("MeshRows", p.MeshRows);
  json.Integer("CurtainColumns", p.CurtainColumns);
  json.Integer("CurtainRows", p.CurtainRows);
  json.Begin("Waves", '[');
  for (const Wave& wave : p.Waves) {
    json.Begin(nullptr, '{');
    json.Number("Phase", wave.Phase);
    json.Number("Speed", wave.Speed);
    json.End('}');
  }
  json.End(']');
  json.Begin("SwaySteps", '[');
  for (float step : p.SwaySteps) json.Number(nullptr, step);
  json.End(']');
  json.Begin("ClockOffset", '{');
  json.Number("x", p.ClockOffset.x);
  json.Number("y", p.ClockOffset.y);
  json.Number("z", p.ClockOffset.z);
  json.End('}');
  json.Number("TextAlpha", p.TextAlpha);
  json.Integer("Year", p.Year);
  json.Integer("Month", p.Month);
  json.Integer("Day", p.Day);
  json.Integer("DaysInYear", p.DaysInYear);
  json.End('}');
}

// The first few flakes and the ground's extent: enough to see the snow fall
// and the grid built to the window's size.
void WriteSnowfall(JsonWriter& json) {
  constexpr int shown = 3;
  json.Begin("Snowfall", '{');
  json.Integer("FlakeCount", FlakeCount);
  json.Begin("Flakes", '[');
  for (int f = 0; f < shown; ++f) {
    const Flake& flake = Snowfall.Flakes[f];
    json.Begin(nullptr, '{');
    json.Number("x", flake.x);
    json.Number("y", flake.y);
    json.Number("z", flake.z);
    json.Number("spin", flake.spin);
    json.End('}');
  }
  json.End(']');
  Extended highest = 0;
  for (int i = 0; i <= Ground.Rows; ++i)
    for (int j = 0; j <= Ground.Columns; ++j) highest = std::fmax(highest, Ground.y[i][j]);
  json.Begin("Ground", '{');
  json.Integer("Columns", Ground.Columns);
  json.Integer("Rows", Ground.Rows);
  json.Number("Left", Ground.x[0][0]);
  json.Number("Right", Ground.x[0][Ground.Columns]);
  json.Number("Highest", highest);
  json.End('}');
  json.End('}');
}

}  // namespace

void WriteStateJson(std::ostream& out, int frame) {
  JsonWriter json(out);
  json.Begin(nullptr, '{');
  json.Integer("Format", StateJsonFormat);
  json.Integer("Frame", frame);
  WriteFrameState(json);
  WriteCountdown(json);
  WriteCurtain(json);
  WriteSceneParams(json);
  WriteSnowfall(json);
  json.End('}');
  out << '\n';
}
