// Put before libdeflate with LD_PRELOAD, fails the renderer's deflate on its
// writer thread as QUILLMOOR_DEFLATE_FAULT says: "memory" (no compressor),
// "stream" (no stream made), or "exception" (a C++ exception thrown); or, with
// QUILLMOOR_DEFLATE_FAULT=read-pixels, the reading of a frame's pixels on the
// main thread throws std::bad_alloc, as a picture too large for the memory
// left does.
#include <GL/gl.h>
#include <dlfcn.h>
#include <libdeflate.h>

#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string_view>

namespace {
std::string_view Fault() {
  const char* fault = std::getenv("QUILLMOOR_DEFLATE_FAULT");
  return fault ? fault : "";
}
}  // namespace

extern "C" libdeflate_compressor* libdeflate_alloc_compressor(int) {
  if (Fault() == "exception") throw std::length_error("vector::_M_default_append");
  return Fault() == "memory" ? nullptr : reinterpret_cast<libdeflate_compressor*>(std::malloc(1));
}

extern "C" void libdeflate_free_compressor(libdeflate_compressor* compressor) { std::free(compressor); }

extern "C" size_t libdeflate_zlib_compress_bound(libdeflate_compressor*, size_t size) { return size + 64; }

extern "C" size_t libdeflate_zlib_compress(libdeflate_compressor*, const void*, size_t, void*, size_t) { return 0; }

extern "C" void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                             void* pixels) {
  if (Fault() == "read-pixels") throw std::bad_alloc();
  using ReadPixels = void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
  reinterpret_cast<ReadPixels>(dlsym(RTLD_NEXT, "glReadPixels"))(x, y, width, height, format, type, pixels);
}
