#include "host/headless/render_session.h"

#include "base/opengl.h"
#include "frame/frame.h"
#include "host/headless/frame_pixels.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"

RenderSession::RenderSession(const RenderOptions& options) : options_(options), platform_(options.At) {}

RenderSession::~RenderSession() { UsePlatform(nullptr); }

std::unique_ptr<RenderSession> RenderSession::Start(const RenderOptions& options, std::string& error,
                                                    bool* tooLarge) {
  std::unique_ptr<RenderSession> session(new RenderSession(options));
  if (!session->context_.Create(options.Width, options.Height, error)) return nullptr;
  // A pbuffer may be made larger than the OpenGL can draw into; the viewport's
  // limit is what the picture can use.
  GLint largest[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
  if (options.Width > largest[0] || options.Height > largest[1]) {
    error = "bad size " + std::to_string(options.Width) + "x" + std::to_string(options.Height) +
            ": the OpenGL here draws at most " + std::to_string(largest[0]) + "x" + std::to_string(largest[1]);
    if (tooLarge) *tooLarge = true;
    return nullptr;
  }
  UsePlatform(&session->platform_);

  // As a window does it: the scene is created first, then the context's state.
  const SceneKind kind = options.Preview ? SceneKind::Preview : SceneKind::FullScreen;
  CreateScene(kind, options.Width, options.Height, options.Seed);
  SetUpRenderingState(kind, options.Width, options.Height);
  return session;
}

void RenderSession::RunFrame() {
  ClearAroundScene();
  DrawFrame(options_.Preview ? SceneKind::Preview : SceneKind::FullScreen);
}

std::vector<std::uint8_t> RenderSession::Pixels() const { return ReadFramePixels(Width(), Height()); }
