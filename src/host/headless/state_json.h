// The frame state as JSON, its keys named after the state's own names.
#pragma once

#include <ostream>

void WriteStateJson(std::ostream& out);
