// Whole frames and single passes through Mesa (llvmpipe) in the headless EGL
// context, which has the windows' pixel format (8-bit red, green and blue, a
// 16-bit depth buffer).
//
// Every frame or pass is timed from its first call to the end of a glFinish,
// and three clocks are read around it:
//   wall_ms         the time it takes;
//   main_cpu_ms     the calling thread's CPU: the scene's own work plus Mesa's
//                   immediate-mode entry points, vertex transform, lighting and
//                   binning;
//   process_cpu_ms  the whole process's CPU, llvmpipe's raster threads included;
//   wall_median_ms  the median of the wall times.
// All but the median are means per frame (or pass); the benchmark's own time
// column is the mean wall time.
//
// Two moments of the scene are measured: "first", its first frame, when most
// flakes are still above the view (the scene is created afresh, untimed,
// before every iteration), and "steady", after 1,200 frames, when the snow has
// spread over the view and flakes are being reborn.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/fpu_control.h"
#include "base/opengl.h"
#include "clock/clock_pass.h"
#include "curtain/curtain.h"
#include "frame/countdown.h"
#include "frame/frame.h"
#include "frame/frame_state.h"
#include "host/headless/render_session.h"
#include "host/scene_setup/scene_setup.h"
#include "snow/flakes.h"
#include "snow/ground.h"

namespace {

constexpr std::uint64_t Seed = 1;
constexpr int SteadyFrame = 1200;

struct Picture {
  const char* Name;
  int Width, Height;
  bool Preview;
  int Iterations;  // timed frames (or passes) per benchmark
};

constexpr Picture Pictures[] = {
    {"1280x720", 1280, 720, false, 40},
    {"1920x1080", 1920, 1080, false, 30},
    {"preview_152x112", 152, 112, true, 300},
};

SceneKind KindOf(const Picture& picture) { return picture.Preview ? SceneKind::Preview : SceneKind::FullScreen; }

double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Reading {
  double Wall, Main, Process;
  static Reading Now() {
    return {Seconds(CLOCK_MONOTONIC), Seconds(CLOCK_THREAD_CPUTIME_ID), Seconds(CLOCK_PROCESS_CPUTIME_ID)};
  }
};

// Sums of the three clocks over the timed stretches, and each stretch's wall
// time: on a machine shared with other work the median wall time says more
// than the mean, which a few descheduled frames can drag up.
struct Cost {
  double Wall = 0, Main = 0, Process = 0;
  std::vector<double> Walls;

  // Adds the stretch from `start` to now and returns its wall time.
  double Since(const Reading& start) {
    const Reading end = Reading::Now();
    Wall += end.Wall - start.Wall;
    Main += end.Main - start.Main;
    Process += end.Process - start.Process;
    Walls.push_back(end.Wall - start.Wall);
    return end.Wall - start.Wall;
  }

  void Report(benchmark::State& state) {
    const auto perIteration = [](double seconds) {
      return benchmark::Counter(seconds * 1e3, benchmark::Counter::kAvgIterations);
    };
    state.counters["wall_ms"] = perIteration(Wall);
    state.counters["main_cpu_ms"] = perIteration(Main);
    state.counters["process_cpu_ms"] = perIteration(Process);
    if (!Walls.empty()) {
      std::nth_element(Walls.begin(), Walls.begin() + std::ptrdiff_t(Walls.size() / 2), Walls.end());
      state.counters["wall_median_ms"] = Walls[Walls.size() / 2] * 1e3;
    }
  }
};

// One session (context and scene) at a time, kept while the benchmarks of one
// picture run, with the number of frames its scene has run since it was created.
struct LiveSession {
  const Picture* Of = nullptr;
  std::unique_ptr<RenderSession> Session;
  int Frames = 0;
};
LiveSession Live;

RenderSession* SessionFor(const Picture& picture, benchmark::State& state) {
  if (Live.Of != &picture || !Live.Session) {
    Live.Session.reset();
    RenderOptions options;
    options.Width = picture.Width;
    options.Height = picture.Height;
    options.At = ParseMoment("2026-12-20 14:25:10");
    options.Seed = Seed;
    options.Preview = picture.Preview;
    std::string error;
    Live.Session = RenderSession::Start(options, error);
    Live.Of = &picture;
    Live.Frames = 0;
    if (!Live.Session) {
      state.SkipWithError(error.c_str());
      return nullptr;
    }
    // The first frames compile llvmpipe's shaders; later ones find them.
    for (int n = 0; n < 2; ++n) Live.Session->RunFrame();
    Live.Frames = 2;
  }
  return Live.Session.get();
}

void RestartScene(const Picture& picture) {
  CreateScene(KindOf(picture), picture.Width, picture.Height, Seed);
  Live.Frames = 0;
  glFinish();
}

// Runs frames of the scene with the driver drawing nothing: each frame is
// compiled into a display list that is deleted at once. The scene's state
// moves on exactly as in drawn frames; the context's state does not move.
void AdvanceWithoutDrawing(const Picture& picture, int frames) {
  const GLuint list = glGenLists(1);
  for (int n = 0; n < frames; ++n) {
    glNewList(list, GL_COMPILE);
    DrawFrame(KindOf(picture));
    glEndList();
  }
  glDeleteLists(list, 1);
  glFinish();
  Live.Frames += frames;
}

// Brings the live scene to the steady state unless it is there already.
void MakeSteady(const Picture& picture) {
  if (Live.Frames >= SteadyFrame) return;
  RestartScene(picture);
  AdvanceWithoutDrawing(picture, SteadyFrame);
}

void FrameBenchmark(benchmark::State& state, const Picture& picture, bool steady) {
  InstallFpuControlWord();
  RenderSession* session = SessionFor(picture, state);
  if (!session) return;
  if (steady) MakeSteady(picture);
  Cost cost;
  for (auto _ : state) {
    if (!steady) RestartScene(picture);
    const Reading start = Reading::Now();
    session->RunFrame();  // ends with the headless swap, a glFinish
    state.SetIterationTime(cost.Since(start));
    ++Live.Frames;
  }
  cost.Report(state);
}

enum class Pass { Curtain, Countdown, Clock, Ground, Flakes };
constexpr const char* PassNames[] = {"curtain", "countdown", "clock", "ground", "flakes"};

// The frame's sequence of state and passes, with a glFinish after each pass,
// timing only `timed`.
double RunPasses(const Picture& picture, Pass timed, Cost& cost) {
  double wall = 0;
  const auto pass = [&](Pass which, auto&& draw) {
    glFinish();
    const Reading start = Reading::Now();
    draw();
    glFinish();
    if (which == timed)
      wall = cost.Since(start);
  };
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  pass(Pass::Curtain, [] { DrawCurtain(); });
  pass(Pass::Countdown, [&] { DrawCountdown(KindOf(picture)); });
  AdvanceSway();
  glLoadIdentity();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  pass(Pass::Clock, [] { DrawClockFace(); });
  pass(Pass::Ground, [] { DrawGround(); });
  pass(Pass::Flakes, [] { UpdateAndDrawFlakes(); });
  AdvanceHeadlineFade();
  ++Live.Frames;
  return wall;
}

void PassBenchmark(benchmark::State& state, const Picture& picture, Pass pass, bool steady) {
  InstallFpuControlWord();
  if (!SessionFor(picture, state)) return;
  if (steady) MakeSteady(picture);
  Cost cost;
  for (auto _ : state) {
    if (!steady) RestartScene(picture);
    state.SetIterationTime(RunPasses(picture, pass, cost));
  }
  cost.Report(state);
}

void Register() {
  // Grouped by picture, first-frame benchmarks before steady ones, so that
  // each picture's context is made once and its scene advanced once.
  for (const Picture& picture : Pictures) {
    for (bool steady : {false, true}) {
      const std::string moment = steady ? "steady" : "first";
      benchmark::RegisterBenchmark(("BM_Frame/" + std::string(picture.Name) + "/" + moment).c_str(),
                                   [&picture, steady](benchmark::State& s) { FrameBenchmark(s, picture, steady); })
          ->Iterations(picture.Iterations)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
      for (int p = 0; p < 5; ++p) {
        const Pass pass = static_cast<Pass>(p);
        benchmark::RegisterBenchmark(
            ("BM_Pass/" + std::string(picture.Name) + "/" + moment + "/" + PassNames[p]).c_str(),
            [&picture, pass, steady](benchmark::State& s) { PassBenchmark(s, picture, pass, steady); })
            ->Iterations(picture.Iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Live.Session.reset();
  return 0;
}
