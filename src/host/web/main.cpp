// quillmoor.html: the saver in a web browser. The page plays the full-screen
// window: a canvas over the whole viewport at the screen's own pixel density,
// re-laid for every new size with the band rule of the other hosts, a frame
// on the first animation frame of every 30 ms tick (none while the page is
// hidden), the browser's clock and time zone. URL parameters fix the picture
// (page_options.h). A lost WebGL context is rebuilt, state and font, when the
// browser restores it. The page's own parts (full screen on a click or F, the
// pointer hidden when still, the message line) live in shell.html.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "base/fpu_control.h"
#include "base/opengl.h"
#include "frame/frame.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"
#include "host/web/frame_gate.h"
#include "host/web/page_options.h"
#include "host/web/web_platform.h"

namespace {

constexpr const char* Canvas = "#canvas";
// The saver's tick, as on every other host.
constexpr double FramePeriodMs = 30;

struct Page {
  PageOptions Options;
  SceneKind Kind = SceneKind::FullScreen;
  FrameGate Gate{FramePeriodMs};
  WebPlatform Platform{Gate};
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE Context = 0;
  int Width = 0, Height = 0;  // the canvas in device pixels
  double Ratio = 1;           // device pixels to a CSS pixel, as the canvas was sized
  long long Frames = 0;       // drawn since the scene was last created
  bool Lost = false;
};

Page page;

void ShowMessage(const char* text) {
  EM_ASM({ quillmoorShowMessage(UTF8ToString($0)); }, text);
}

// The canvas's size on the screen in device pixels: its CSS size (the whole
// viewport) times the device pixel ratio, or rather, where the browser
// reports it (devicePixelContentBoxSize, which shell.html watches), the size
// it snapped that product to, so that one pixel of the drawing buffer is one
// pixel of the screen at a fractional ratio too. A reported size more than a
// pixel away from the product is not taken: browsers' emulated ratios (the
// developer tools' devices) leave it at the CSS size. At least one pixel
// each way.
EM_JS(int, quillmoor_device_pixels, (int* size), {
  var pixels = window.quillmoorDevicePixels;
  if (!pixels) return 0;
  HEAP32[size >> 2] = pixels[0];
  HEAP32[(size >> 2) + 1] = pixels[1];
  return 1;
});

void ViewportPixels(int& width, int& height) {
  const double ratio = page.Ratio = emscripten_get_device_pixel_ratio();
  double cssWidth = 0, cssHeight = 0;
  emscripten_get_element_css_size(Canvas, &cssWidth, &cssHeight);
  int size[2] = {static_cast<int>(std::lround(cssWidth * ratio)), static_cast<int>(std::lround(cssHeight * ratio))};
  int reported[2] = {0, 0};
  if (quillmoor_device_pixels(reported) && std::abs(reported[0] - size[0]) <= 1 && std::abs(reported[1] - size[1]) <= 1)
    std::copy_n(reported, 2, size);
  width = std::max(1, size[0]);
  height = std::max(1, size[1]);
}

// The clock of the next frame: the URL's moment, moved on per frame, or the
// browser's own.
void SetClockForFrame() {
  if (page.Options.At) page.Platform.Freeze(PageMomentOfFrame(page.Options, page.Frames));
}

// The projection for the canvas's size. The preview keeps the context's own
// viewport, which on the web is the canvas's whole drawing buffer at any size.
void ApplyProjection() {
  if (page.Kind == SceneKind::Preview) glViewport(0, 0, page.Width, page.Height);
  ApplySceneArea(page.Kind, page.Width, page.Height);
}

// Names the stage that failed; its info log is on the console.
void ShowNoDrawing() {
  const std::string text = std::string("This browser's WebGL 2 could not build the saver's shaders (the ") +
                           Gl11BuildFailure() + " failed; its log is on the console): nothing is drawn.";
  ShowMessage(text.c_str());
}

// All GL state the scene relies on, the font's lists included, on the fresh
// context.
bool SetUpContext() {
  emscripten_webgl_make_context_current(page.Context);
  if (!Gl11Start()) return false;
  if (page.Kind == SceneKind::Preview) glViewport(0, 0, page.Width, page.Height);
  SetUpRenderingState(page.Kind, page.Width, page.Height);
  return true;
}

// A fixed picture starts over from its first frame: the scene created anew
// for the canvas's size, as the X11 and Wayland savers lay it out again for a
// new size (the clock's place, the countdown's and the backdrop's follow the
// aspect).
void StartOver() {
  page.Frames = 0;
  page.Gate.Reset();
  SetClockForFrame();
  CreateScene(page.Kind, page.Width, page.Height, page.Options.Seed);
}

EM_BOOL OnResize(int, const EmscriptenUiEvent*, void*) {
  int width = 0, height = 0;
  ViewportPixels(width, height);
  if (width == page.Width && height == page.Height) return EM_FALSE;
  page.Width = width;
  page.Height = height;
  emscripten_set_canvas_element_size(Canvas, width, height);
  StartOver();
  if (!page.Lost) ApplyProjection();
  return EM_FALSE;
}

EM_BOOL OnAnimationFrame(double now, void*) {
  // A move to a screen of another pixel density (or a zoom) need not resize
  // the viewport in CSS pixels, but the canvas must follow it; so must it the
  // device-pixel size the browser reports after a layout.
  int width = 0, height = 0;
  ViewportPixels(width, height);
  if (width != page.Width || height != page.Height) OnResize(0, nullptr, nullptr);
  if (page.Lost) return EM_TRUE;
  // A counted run keeps showing its last frame.
  if (page.Options.Frames > 0 && page.Frames >= page.Options.Frames) return EM_TRUE;
  if (!page.Gate.Open(now)) return EM_TRUE;
  SetClockForFrame();
  ClearAroundScene();
  DrawFrame(page.Kind);
  ++page.Frames;
  EM_ASM({ quillmoorFrameDrawn($0); }, static_cast<double>(page.Frames));
  return EM_TRUE;
}

// emscripten's GL library never gives a WebGL name twice: every object it
// makes takes the next value of one counter, and each object table is padded
// with nulls up to that name. Left alone, every restore would lengthen all
// the tables by the names of the objects the layer makes again. Once the
// context is lost, every object of its tables is dead and the layer has
// dropped all its names (Gl11Lose), and nothing else on the page keeps one;
// so the tables are emptied, as they were at start-up (name 0 stays "none":
// a new name pads index 0 with null), and the counter goes back to where it
// stood once the context had its handle, so the new objects' names start
// again from there. The contexts' table is left alone: the context's handle
// lives on, and a later context would still get a handle of its own.
EM_JS(void, quillmoor_forget_webgl_names, (), {
  [GL.buffers, GL.programs, GL.framebuffers, GL.renderbuffers, GL.textures, GL.shaders, GL.vaos,
   GL.queries, GL.samplers, GL.transformFeedbacks, GL.syncs].forEach(function(table) {
    if (table) table.length = 0;
  });
  if (GL.mappedBuffers) GL.mappedBuffers = {};
  GL.counter = Math.max(1, GL.contexts.length);
});

// Asking for the restore is what makes the browser restore the context. The
// layer's objects go now, so that none is left behind in the tables that map
// names to the browser's objects.
EM_BOOL OnContextLost(int, const void*, void*) {
  page.Lost = true;
  emscripten_webgl_make_context_current(page.Context);
  Gl11Lose();
  return EM_TRUE;
}

// The layer puts back all the state it keeps, the font's lists included;
// the projection then follows the canvas, which may have changed size
// while the context was gone.
EM_BOOL OnContextRestored(int, const void*, void*) {
  emscripten_webgl_make_context_current(page.Context);
  quillmoor_forget_webgl_names();
  if (!Gl11Restore()) {
    ShowNoDrawing();
    return EM_TRUE;
  }
  page.Lost = false;
  // A counted run's last frame went with the context: it is drawn again.
  if (page.Options.Frames > 0) StartOver();
  ApplyProjection();
  page.Gate.Reset();
  return EM_TRUE;
}

}  // namespace

int main() {
  InstallFpuControlWord();
  std::string message;
  page.Options = ParsePageOptions(emscripten_run_script_string("location.search"), message);
  page.Kind = page.Options.Preview ? SceneKind::Preview : SceneKind::FullScreen;

  ViewportPixels(page.Width, page.Height);
  emscripten_set_canvas_element_size(Canvas, page.Width, page.Height);

  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  // The clear colour's alpha is 0: an opaque canvas shows the colour itself.
  attributes.alpha = EM_FALSE;
  attributes.depth = EM_TRUE;
  attributes.stencil = EM_FALSE;
  // The other hosts draw without multisampling.
  attributes.antialias = EM_FALSE;
  page.Context = emscripten_webgl_create_context(Canvas, &attributes);
  if (page.Context <= 0) {
    ShowMessage("This browser offers no WebGL 2, which the saver needs to draw.");
    return 0;
  }
  if (!message.empty()) ShowMessage(message.c_str());

  UsePlatform(&page.Platform);
  // As a window does it: the scene is created first, then the context's state.
  SetClockForFrame();
  CreateScene(page.Kind, page.Width, page.Height, page.Options.Seed);
  if (!SetUpContext()) {
    ShowNoDrawing();
    return 0;
  }

  emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, OnResize);
  emscripten_set_webglcontextlost_callback(Canvas, nullptr, EM_FALSE, OnContextLost);
  emscripten_set_webglcontextrestored_callback(Canvas, nullptr, EM_FALSE, OnContextRestored);
  emscripten_request_animation_frame_loop(OnAnimationFrame, nullptr);
  return 0;
}
