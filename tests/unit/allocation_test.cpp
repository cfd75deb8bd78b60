// A frame allocates nothing on the heap but, at most, the countdown's four
// short number strings; allocation_counter.cpp counts every operator new.
#include <gtest/gtest.h>

#include "allocation_counter.h"
#include "frame/frame.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

namespace {

TEST(Allocation, FramesAllocateAtMostTheFourNumberStrings) {
  ScopedTestPlatform fake;
  rgl::Reset();
  CreateScene(SceneKind::FullScreen, 1920, 1080, 9);
  SetUpRenderingState(SceneKind::FullScreen, 1920, 1080);
  rgl::SetRecording(false);  // the recorder's own log would allocate
  fake.platform.Events.reserve(100);

  for (SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
    for (int frame = 0; frame < 20; ++frame) {
      // Across days, so every number line has to be formatted afresh.
      fake.platform.Now = {2026, 12, static_cast<std::uint16_t>(1 + frame), 23, 59, 59, 0};
      const std::size_t before = HeapAllocations();
      DrawFrame(kind);
      EXPECT_LE(HeapAllocations() - before, 4u) << "frame " << frame;
      fake.platform.Events.clear();
    }
  }
  rgl::Reset();
}

}  // namespace
