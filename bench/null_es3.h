// The OpenGL ES 3 that does nothing (null_es3.cpp): what reached it.
#pragma once

namespace nulles3 {

long long Draws();
long long UploadedBytes();

}  // namespace nulles3
