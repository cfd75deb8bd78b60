#include "host/scene_setup/scene_setup.h"

#include "base/opengl.h"
#include "base/random.h"
#include "base/scene_params.h"
#include "clock/dial_marks.h"
#include "clock/hands.h"
#include "clock/numerals.h"
#include "curtain/curtain.h"
#include "frame/frame_state.h"
#include "frame/outline_font.h"
#include "frame/platform.h"
#include "host/scene_setup/scene_area.h"
#include "snow/flakes.h"
#include "snow/ground.h"

LightingVectors Lighting;

namespace {

struct GridSizes {
  std::int32_t MeshColumns, MeshRows, CurtainColumns, CurtainRows;
};

constexpr GridSizes FullScreenGrids = {300, 100, 100, 20};
constexpr GridSizes PreviewGrids = {60, 20, 50, 10};

}  // namespace

void DrawPhasesAndSwaySteps(SceneKind kind) {
  Wave* waves = SceneParams.Waves;
  float* sway = SceneParams.SwaySteps;
  if (kind == SceneKind::FullScreen) {
    waves[0].Phase = Extended(Random(6280)) / 1100;
    waves[1].Phase = Extended(Random(6280)) / 1200;
    waves[2].Phase = Extended(Random(6280)) / 1300;
    sway[0] = static_cast<float>(Extended(Random(200)) / 1000 + 0.2_x);
    sway[1] = static_cast<float>(Extended(Random(300)) / 1500 + 0.2_x);
    sway[2] = static_cast<float>(Extended(Random(400)) / 2000 + 0.2_x);
  } else {
    for (Wave& wave : SceneParams.Waves) wave.Phase = Extended(Random(6280)) / 1000;
    for (int i = 0; i < 3; ++i) sway[i] = static_cast<float>(Extended(Random(100)) / 500 + 0.2_x);
  }
}

namespace {

void BuildGeometry() {
  // Built once, in this order; later builders read what earlier ones drew.
  BuildDialMarks();
  BuildCellTemplate();
  BuildDigits();
  BuildHands();
  BuildGround();
  // The curtain comes last: it replaces the window's wave phases, which the
  // ground has read.
  BuildCurtain();
}

void RecordDate() {
  const LocalMoment today = CurrentPlatform().LocalNow();
  SceneParams.Year = today.Year;
  SceneParams.Month = today.Month;
  SceneParams.Day = today.Day;
  SceneParams.DaysInYear = DaysInYearOf(today.Year);
}

}  // namespace

void PlaceFlakes() {
  for (int i = 0; i < FlakeCount; ++i) {
    InitFlake(i);
    Flake& flake = Snowfall.Flakes[i];
    flake.x = DrawFlakeX(i);
    flake.z = DrawFlakeZ(i);
    flake.y = 1 + Extended(Random(2000)) / 1000;
    flake.spin = 0;
  }
}

void CreateScene(SceneKind kind, int width, int height, std::optional<std::uint64_t> seed) {
  SceneParams = {};
  ResetFrameState();

  // The aspect of the band the scene is drawn in: the whole area's, unless it
  // is narrower than 4:3.
  const SceneArea area = SceneAreaFor(width, height);
  SceneParams.Aspect = static_cast<float>(Extended(area.Width) / Extended(area.Height));
  const GridSizes& grids = kind == SceneKind::FullScreen ? FullScreenGrids : PreviewGrids;
  SceneParams.MeshColumns = grids.MeshColumns;
  SceneParams.MeshRows = grids.MeshRows;
  SceneParams.CurtainColumns = grids.CurtainColumns;
  SceneParams.CurtainRows = grids.CurtainRows;

  if (seed)
    SeedRandom(*seed);
  else
    SeedRandomFromTimeOfDay();

  DrawPhasesAndSwaySteps(kind);
  SceneParams.ClockOffset = {0.28_x * SceneParams.Aspect, 0.2_x, -2.5_x};

  BuildGeometry();
  PlaceFlakes();

  // The preview's headline starts invisible and fades in.
  if (kind == SceneKind::FullScreen) SceneParams.TextAlpha = 0.2f;
  RecordDate();
}

void InitGL(SceneKind kind, int width, int height) {
  ApplySceneArea(kind, width, height);

  glEnable(GL_COLOR_MATERIAL);
  glCullFace(GL_BACK);
  glEnable(GL_NORMALIZE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  Lighting = {
      {0.2f, 0.2f, 0.2f, 1.0f},    {0.3f, 0.3f, 0.3f, 1.0f},   {0.5f, 0.5f, 0.5f, 1.0f},
      {1.0f, 1.0f, 1.0f, 1.0f},    {-1.0f, -1.0f, -1.0f},       {0.02f, 0.02f, 0.02f, 1.0f},
      {0.3f, 0.3f, 0.3f, 1.0f},    {0.5f, 0.5f, 0.5f, 1.0f},   {0.02f, 0.02f, 0.02f, 1.0f},
      5.0f,
  };

  glEnable(GL_LIGHTING);
  glLightfv(GL_LIGHT0, GL_AMBIENT, Lighting.LightAmbient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, Lighting.LightDiffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, Lighting.LightSpecular);
  glLightfv(GL_LIGHT0, GL_POSITION, Lighting.LightPosition);
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, Lighting.LightSpotDirection);

  glMaterialfv(GL_FRONT, GL_AMBIENT, Lighting.MaterialAmbient);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, Lighting.MaterialDiffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, Lighting.MaterialSpecular);
  glMaterialfv(GL_FRONT, GL_EMISSION, Lighting.MaterialEmission);
  glMaterialf(GL_FRONT, GL_SHININESS, Lighting.MaterialShininess);

  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
  glEnable(GL_LIGHT0);

  // Last, the window's outline font, built on this context.
  if (kind == SceneKind::FullScreen)
    BuildFont();
  else
    BuildPreviewFont();
}

void SetUpRenderingState(SceneKind kind, int width, int height) {
  InitGL(kind, width, height);
  glClearColor(0.0f, 0.0f, 0.2f, 0.0f);
}
