// How many frames a conversion run works on at once.
#pragma once

#include <cstdint>

// The frames in flight for "-threads threads" (0: one per processor) on a machine with processors
// processors and availableBytes of free memory, when one frame's conversion needs frameBytes: as many
// as the threads, but only as many as fit in 80 % of the free memory; at least one. An unknown
// size or free memory (0 or less) sets no memory bound.
int framesInFlight(int threads, int processors, int64_t frameBytes, int64_t availableBytes);

// The memory that converting the cache file at source takes at its peak, estimated from its header:
// the grids of every named channel, three expanded channels and the compressed data; 0 when the
// header cannot be read.
int64_t frameConversionBytes(const char* source);
