// Outputs that are descriptors already open rather than files: "-" for
// standard output, and the names a shell gives its open descriptors
// (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N). Such an output is
// written as it is, at its offset or at its end when it was opened to append,
// and the file behind it is never replaced. The null device is one too: a
// sink that takes frames and throws them away, for timing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::string_view NullDevice = "/dev/null";

// The descriptor `name` stands for, or -1 when it names a file. The null
// device is opened for writing on first use.
int StreamDescriptor(std::string_view name);

// How messages name the stream: "standard output", "standard error", or the
// name as given, quoted.
std::string StreamTitle(std::string_view name);

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed, so that
// no file opened later takes its number and receives what was meant for it.
// Remembers which were closed: CheckStream refuses them.
void GuardStandardDescriptors();

// Whether the stream `name` stands for is open for writing; if not, says why
// in `error`, about the `what` to be written ("the PNG", "the state").
bool CheckStream(std::string_view name, const char* what, std::string& error);

// Writes all of `size` bytes, going on after partial writes and interruptions,
// and waiting while a non-blocking descriptor is full, until writes are
// abandoned. On failure returns false with errno saying why (EINTR once
// abandoned).
bool WriteAll(int fd, const void* data, std::size_t size);

// Makes every WriteAll, in any thread, give up at its next interruption
// instead of going on (or go on again): for a stop that cannot wait for a
// reader that has stopped reading.
void AbandonWrites(bool abandon);
bool WritesAbandoned();
