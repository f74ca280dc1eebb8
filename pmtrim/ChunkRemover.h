// RemoveChunk: one removal pass, dropping the last NINF or PMIN found by the preceding scan.
//
// Copies the current source into temp.pm without the chunk, subtracts its total length from the
// size of the enclosing CHNK (NINF only) and from the "VIRF" size, then renames temp.pm to
// temp1.pm, which becomes the current source, and counts the removal. Both files are closed
// whatever happens. Cost: one buffered copy of the file.
#pragma once

enum class PmChunkKind { Ninf, Pmin };

bool RemoveChunk(PmChunkKind kind);

// Copies the current source unchanged to temp1.pm (through temp.pm), for a file with nothing
// to remove. Same messages as a removal pass.
bool CopySourceToWorkFile();
