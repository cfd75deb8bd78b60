/* Linked into the sanitizer build's programs that draw through EGL: dlclose
   leaves every library mapped until the process ends. eglTerminate unloads
   Mesa's driver (swrast_dri.so: llvmpipe, which compiles its shaders with
   LLVM's JIT), and the few blocks that only the driver's own globals point at
   would then be reported by LeakSanitizer at exit, as leaked from
   "<unknown module>", because the memory that held the pointers is gone. With
   the driver still mapped they are found reachable, and a real leak is
   reported with its whole stack. The program's own definition comes before
   the C library's (and the sanitizer's) for every library it loads. */
int dlclose(void* handle) {
  (void)handle;
  return 0;
}
