/* Counts a program's glXSwapBuffers calls, for measuring the X11 saver's
 * frames from outside it: loaded with LD_PRELOAD, with QUILLMOOR_SWAP_COUNT
 * naming a file, it keeps the number of swaps so far in that file's first
 * eight bytes (a native-endian 64-bit count, mapped shared, so reading it
 * costs the counted program no system call), then calls the real
 * glXSwapBuffers. Without the variable, or if the file cannot be mapped, it
 * only passes the calls on. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

typedef void (*SwapFunction)(void* display, unsigned long drawable);

static volatile uint64_t* counter;
static SwapFunction real_swap;

static void Start(void) {
  real_swap = (SwapFunction)dlsym(RTLD_NEXT, "glXSwapBuffers");
  const char* path = getenv("QUILLMOOR_SWAP_COUNT");
  if (path == NULL) return;
  const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (ftruncate(fd, sizeof(uint64_t)) == 0) {
    void* map = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map != MAP_FAILED) counter = (volatile uint64_t*)map;
  }
  close(fd);
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  if (real_swap == NULL) Start();
  if (counter != NULL) __atomic_add_fetch(counter, 1, __ATOMIC_RELAXED);
  if (real_swap != NULL) real_swap(display, drawable);
}
