// One pass drawn on its own in a render session's context, as the frame
// draws it: buffers cleared to the clear colour, the model-view matrix at
// identity and the blend function the frame sets before that pass. What the
// pass reads of the frame's state is whatever the session's frames left.
#pragma once

#include "base/opengl.h"
#include "host/headless/render_session.h"
#include "pixels.h"

template <typename Pass>
Picture DrawAlone(const RenderSession& session, GLenum blendDestination, Pass pass) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glBlendFunc(GL_SRC_ALPHA, blendDestination);
  pass();
  glFinish();
  return {session.Width(), session.Height(), session.Pixels()};
}

// The clear colour (0, 0, 0.2) in 8-bit channels.
inline constexpr Rgb ClearColour{0, 0, 51};
