// pmtrim: the four exports a host program calls to turn a progressive-mesh file (.pm) into an
// indexed-mesh file (.im).
//
// Converter(source, destination) removes every NINF and PMIN chunk of `source`, one per pass,
// through the working files temp.pm and temp1.pm in the source's folder, and puts the result at
// the folder of the source joined with the file name of `destination` (or, without destination,
// at the source path with ".im" for ".pm"). It returns true when the run completed. GetError,
// GetChunkCount and GetRemovedCount report the outcome; the error text is kept until the next
// failure replaces it. The library is not re-entrant: one host thread calls it at a time.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define PMTRIM_CALL __stdcall
#define PMTRIM_EXPORT
#else
#define PMTRIM_CALL
#define PMTRIM_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Both paths are zero-terminated 8-bit texts; the destination may be null or empty.
PMTRIM_EXPORT bool PMTRIM_CALL Converter(const char* source, const char* destination);
// The current error text, owned by the library, valid until the next failing call.
PMTRIM_EXPORT const char* PMTRIM_CALL GetError();
// NINF and PMIN chunks found by the first scan of the last call.
PMTRIM_EXPORT std::int32_t PMTRIM_CALL GetChunkCount();
// Chunks removed by the last call, one per pass.
PMTRIM_EXPORT std::int32_t PMTRIM_CALL GetRemovedCount();
}
