#include "host/scene_setup/scene_area.h"

#include "base/opengl.h"

SceneArea CurrentSceneArea;

SceneArea SceneAreaFor(int width, int height) {
  // Narrower than 4:3: width / height < 4 / 3, in whole numbers.
  const long long wide = width, high = height;
  if (width <= 0 || 3 * wide >= 4 * high) return {0, 0, width, height, false};
  const int band = static_cast<int>((3 * wide + 2) / 4);
  return {0, (height - band) / 2, width, band, true};
}

void ApplySceneArea(SceneKind kind, int width, int height) {
  const SceneArea area = SceneAreaFor(width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (kind == SceneKind::FullScreen || area.Banded) glViewport(area.X, area.Y, area.Width, area.Height);
  gluPerspective(45.0, static_cast<double>(area.Width) / static_cast<double>(area.Height), 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (area.Banded) {
    glScissor(area.X, area.Y, area.Width, area.Height);
    glEnable(GL_SCISSOR_TEST);
  } else if (CurrentSceneArea.Banded) {
    glDisable(GL_SCISSOR_TEST);
  }
  CurrentSceneArea = area;
}

void ClearAroundScene() {
  if (!CurrentSceneArea.Banded) return;
  // The scene's own clear (dark blue) is clipped to the band; the rest of the
  // drawable, whatever the last swap left there, goes black.
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glPopAttrib();
}
