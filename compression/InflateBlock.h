// Inflation of the zlib streams (RFC 1950) inside cache files: the packed colour channel and two of the
// particle channel methods.
#pragma once

#include <cstdint>

// Inflates the zlib stream of `sourceLength` bytes at `source` into the `destinationLength` bytes at
// `destination`, in one call: the buffer must already have the full decoded size. True only when the
// whole stream was inflated and ended within the buffer; otherwise "[ERROR] Decompressing Zip (%d)\n"
// is logged with zlib's result code (bytes written before the error stay). Safe on any thread.
bool InflateBlock(const void* source, uint32_t sourceLength, void* destination, uint32_t destinationLength);
