// The Wayland saver's pointer rule against a compositor in the test process
// that sends events in orders sway never makes: the saver's side is the
// product's connection (outputs and their places from wl_output and
// xdg-output) and seat input, with a surface on each output and every change
// of the layout told to the input, as the saver tells it.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>

#include "host/wayland/seat_input.h"
#include "host/wayland/wayland_connection.h"
#include "scripted_compositor.h"

namespace {

// Two outputs side by side, 1000x800 logical pixels each: 0 at (0, 0), 1 at
// (1000, 0); a surface of the saver's on each.
class SeatInputTest : public ::testing::Test, public WaylandConnection::Listener {
 protected:
  void SetUp() override {
    setenv("WAYLAND_SOCKET", std::to_string(compositor_.ClientSocket()).c_str(), 1);
    std::string error;
    ASSERT_TRUE(connection_.Connect(error)) << error;
    connection_.SetListener(this);
    ASSERT_EQ(connection_.Outputs().size(), 2u);
    for (int k = 0; k < 2; ++k) surfaces_[k] = wl_compositor_create_surface(connection_.Compositor());
    wl_seat* seat = connection_.BindSeat();
    ASSERT_NE(seat, nullptr);
    input_.emplace(
        connection_.Display(), seat, [this](wl_surface* surface) { return Locate(surface); }, [this] { ++ended_; });
    Settle();
  }

  void TearDown() override {
    input_.reset();
    for (wl_surface* surface : surfaces_)
      if (surface != nullptr) wl_surface_destroy(surface);
    connection_.SetListener(nullptr);
  }

  // The compositor sends what was scripted; the saver reads it, and its
  // syncs are answered: every event judged.
  void Settle() {
    compositor_.Send();
    for (int round = 0; round < 3; ++round) ASSERT_GE(wl_display_roundtrip(connection_.Display()), 0);
  }

  std::optional<std::pair<std::int32_t, std::int32_t>> Locate(wl_surface* surface) const {
    for (int k = 0; k < 2; ++k)
      if (surface == surfaces_[k]) {
        const WaylandOutput& output = *connection_.Outputs()[k];
        return std::make_pair(output.X, output.Y);
      }
    return std::nullopt;
  }

  void OutputAdded(WaylandOutput&) override { input_->LayoutChanged(); }
  void OutputChanged(WaylandOutput&) override { input_->LayoutChanged(); }
  void OutputRemoved(WaylandOutput&) override { input_->LayoutChanged(); }

  ScriptedCompositor compositor_{{{0, 0, 1000, 800}, {1000, 0, 1000, 800}}};
  WaylandConnection connection_;
  wl_surface* surfaces_[2] = {nullptr, nullptr};
  std::optional<SeatInput> input_;
  int ended_ = 0;
};

// The pointer at (900, 400) on output 0; output 1 moves to the left of 0 and
// the compositor puts the pointer onto it at (950, 400) of its own, layout
// (-50, 400): the entry and a motion come before the output's new place, the
// answer to the saver's sync after it. No one moved the pointer; the moves
// after it are measured from where it was put.
TEST_F(SeatInputTest, AnEntryOntoAMovedOutputBeforeItsNewPlaceIsNoJump) {
  compositor_.Enter(0, 900, 400);
  Settle();
  EXPECT_EQ(ended_, 0) << "the pointer's first appearance";
  compositor_.Leave(0);
  compositor_.Enter(1, 950, 400);
  compositor_.Motion(960, 400);
  compositor_.MoveOutput(1, -1000, 0);
  Settle();
  EXPECT_EQ(connection_.Outputs()[1]->X, -1000) << "the new place reached the saver";
  EXPECT_EQ(ended_, 0) << "entered the moved output as the layout changed";
  compositor_.Motion(860, 400);
  Settle();
  EXPECT_EQ(ended_, 0) << "then 100 left";
  compositor_.Motion(759, 400);
  Settle();
  EXPECT_EQ(ended_, 1) << "then 101 left";
}

// The pointer over output 1 at (500, 400) of its own; the output moves and no
// pointer event follows. The compositor may have moved the pointer for the
// new layout without saying so, so the next motion, 400 along the surface,
// only records the place; from there 100 more end nothing and 101 end it.
TEST_F(SeatInputTest, AnOutputMovedWithoutAPointerEventLeavesTheNextMotionJudged) {
  compositor_.Enter(1, 500, 400);
  Settle();
  compositor_.MoveOutput(1, -1000, 0);
  Settle();
  EXPECT_EQ(ended_, 0) << "the output moved";
  compositor_.Motion(900, 400);
  Settle();
  EXPECT_EQ(ended_, 0) << "the first motion after the move";
  compositor_.Motion(1000, 400);
  Settle();
  EXPECT_EQ(ended_, 0) << "then 100 right along the moved output";
  compositor_.Motion(1101, 400);
  Settle();
  EXPECT_EQ(ended_, 1) << "then 101 right";
}

}  // namespace
