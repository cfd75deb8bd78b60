// quillmoor-render: renders the scene at a chosen size, moment and seed to PNG
// with no display at all, and prints the frame's state as JSON.
#include <iostream>
#include <string>

#include "quillmoor_version.h"

#include "host/fpu_control.h"
#include "host/headless/png_writer.h"
#include "host/headless/render_session.h"
#include "host/headless/state_json.h"

int main(int argc, char** argv) {
  InstallFpuControlWord();

  std::string error;
  const std::optional<RenderOptions> options = ParseRenderOptions(argc, argv, error);
  if (!options) {
    std::cerr << "quillmoor-render: " << error << "\n" << RenderUsage;
    return 2;
  }
  if (options->Help) {
    std::cout << RenderUsage;
    return 0;
  }
  if (options->Version) {
    std::cout << "quillmoor-render " QUILLMOOR_VERSION_STRING "\n";
    return 0;
  }

  std::unique_ptr<RenderSession> session = RenderSession::Start(*options, error);
  if (!session) {
    std::cerr << "quillmoor-render: " << error << "\n";
    return 1;
  }
  for (int frame = 0; frame < options->Frames; ++frame) session->RunFrame();

  if (!options->Out.empty() &&
      !WritePng(options->Out, session->Width(), session->Height(), session->Pixels(), error)) {
    std::cerr << "quillmoor-render: " << error << "\n";
    return 1;
  }
  if (options->PrintState) WriteStateJson(std::cout);
  return 0;
}
