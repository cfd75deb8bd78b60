// A frame allocates nothing on the heap but, at most, the countdown's four
// short number strings. Every operator new of this test program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "fake_platform.h"
#include "frame/frame.h"
#include "host/scene_setup.h"
#include "recording_gl.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(Allocation, FramesAllocateAtMostTheFourNumberStrings) {
  ScopedFakePlatform fake;
  rgl::Reset();
  CreateScene(SceneKind::FullScreen, 1920, 1080, 9);
  SetUpRenderingState(SceneKind::FullScreen, 1920, 1080);
  rgl::SetRecording(false);  // the recorder's own log would allocate
  fake.platform.events.reserve(100);

  for (SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
    for (int frame = 0; frame < 20; ++frame) {
      // Across days, so every number line has to be formatted afresh.
      fake.platform.moment = {2026, 12, static_cast<std::uint16_t>(1 + frame), 23, 59, 59, 0};
      const long before = allocations.load();
      DrawFrame(kind);
      EXPECT_LE(allocations.load() - before, 4) << "frame " << frame;
      fake.platform.events.clear();
    }
  }
  rgl::Reset();
}

}  // namespace
