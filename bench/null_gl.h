// An OpenGL that does nothing: every entry point the scene calls returns at
// once, and vertices are only counted. Linked into the CPU benchmark instead
// of a driver, so that what it measures is the scene's own work and the calls
// it makes, and nothing a driver (or a recorder) does with them.
#pragma once

namespace nullgl {

// Vertices issued so far.
long long Vertices();

}  // namespace nullgl
