// The frame state as JSON, its keys named after the state's own names; one
// object on one line. docs/state-json.md describes every key.
#pragma once

#include <ostream>

// The layout's version, written as "Format": it grows when a key changes its
// meaning or goes away; keys may be added without a new version.
inline constexpr int StateJsonFormat = 1;

// The state after frame `frame` (counted from 0), ending with a newline.
void WriteStateJson(std::ostream& out, int frame = 0);
