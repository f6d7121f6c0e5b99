#pragma once
// The time source of the frame-rate title and the playback clock: wall-clock
// milliseconds since the program started, as a 64-bit count so that a viewer
// left running for weeks keeps counting. Replaceable, so that a test or a tool
// can say "the clock reads N milliseconds".

#include <cstdint>
#include <functional>

int64_t elapsedMilliseconds();

// Installs source for every later reading; an empty function restores the
// monotonic wall clock.
void installClock(std::function<int64_t()> source);
