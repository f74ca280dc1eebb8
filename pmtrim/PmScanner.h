// ScanPmFile: check a progressive-mesh file and find its last NINF and PMIN chunks.
//
// Reads the current source path of the library state from start to end: the "VIRF" header with
// form type "IDXM", the INFO chunk (its words by version), then the top-level chunks, skipping
// every payload except the index and the two nested chunks at the start of each CHNK. It records
// the start and total length of the last NINF (with the start of the CHNK around it) and of the
// last PMIN in the state, and counts both kinds while counting is on. Every scan starts from a
// cleared scan result and switches counting off when it ends. On failure the error text says
// why (a few failures keep the text as it was). One pass over the headers: O(number of chunks)
// reads and seeks, whatever the size of the payloads.
#pragma once

bool ScanPmFile();
