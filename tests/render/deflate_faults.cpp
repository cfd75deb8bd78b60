// Put before libdeflate with LD_PRELOAD, fails the renderer's deflate on its
// writer thread as QUILLMOOR_DEFLATE_FAULT says: "memory" (no compressor),
// "stream" (no stream made), or "exception" (a C++ exception thrown).
#include <libdeflate.h>

#include <cstdlib>
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
