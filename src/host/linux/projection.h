// The projection of a drawing area whose size changed after the rendering
// set-up, for the Linux hosts that follow their window's or surface's size.
#pragma once

// Sets the viewport and the perspective for a drawing area of this size, as
// the rendering set-up does.
void ApplyProjection(int width, int height);
