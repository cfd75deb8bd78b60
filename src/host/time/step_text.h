// Per-frame steps as the renderer's command line and the web page's URL read
// them, so that both take exactly the same texts.
#pragma once

#include <string_view>

// Seconds to the millisecond ("2", "0.04", "1.5", and zeros beyond the third
// decimal) or a fraction of whole numbers ("1/30"), as milliseconds over a
// divisor.
bool ParseStep(std::string_view text, long long& milliseconds, long long& divisor);

// How far frame `frame`'s moment lies after the first for a step of
// milliseconds / divisor, in whole milliseconds rounded down: exact for any
// step, with no drift over a run; the largest long long where it would not fit.
long long StepOffsetMilliseconds(long long frame, long long milliseconds, long long divisor);
