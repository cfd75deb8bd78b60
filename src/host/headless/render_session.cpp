#include "host/headless/render_session.h"

#include "frame/frame.h"
#include "host/headless/png_writer.h"
#include "host/scene_setup.h"

RenderSession::RenderSession(const RenderOptions& options) : options_(options), platform_(options.At) {}

RenderSession::~RenderSession() { UsePlatform(nullptr); }

std::unique_ptr<RenderSession> RenderSession::Start(const RenderOptions& options, std::string& error) {
  std::unique_ptr<RenderSession> session(new RenderSession(options));
  if (!session->context_.Create(options.Width, options.Height, error)) return nullptr;
  UsePlatform(&session->platform_);

  // As a window does it: the scene is created first, then the context's state.
  const SceneKind kind = options.Preview ? SceneKind::Preview : SceneKind::FullScreen;
  CreateScene(kind, options.Width, options.Height, options.Seed);
  SetUpRenderingState(kind, options.Width, options.Height);
  return session;
}

void RenderSession::RunFrame() { DrawFrame(options_.Preview ? SceneKind::Preview : SceneKind::FullScreen); }

std::vector<std::uint8_t> RenderSession::Pixels() const { return ReadFramePixels(Width(), Height()); }
