// The scene set up for a benchmark over the OpenGL that does nothing: a fixed
// moment (14:25:10 on 20 December), glyph metrics of 0.6 em for every code,
// seed 1.
#pragma once

#include "frame/frame.h"

void SetUpBenchScene(SceneKind kind, int width, int height);
