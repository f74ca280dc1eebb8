// OutputFolderCompare: compares two folders of converter outputs, file by file, with the random
// part of the material reference names set aside.
//
// A material reference name reads "*<base>*<HEX>*<material>*m.<suffix>", where HEX is a random
// draw (one to eight upper-case hexadecimal digits) that differs from run to run and changes the
// name's length, so the padded string, its MATL chunk and every enclosing size change with it.
// An .im file is therefore compared through a canonical text of its chunk tree: ids, the CHNK
// headers and every leaf payload, with the draw in each MATL name replaced by "#" and no size
// fields. The ChunkReader checks the framing of both files on the way. Every other file (.kin,
// .texture.txt) must match byte for byte. Costs one read of each file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The reference name with its random draw replaced by "#"; any other text unchanged.
std::string MaskReferenceName(const std::string& name);

// The canonical text of an .im file's chunk tree; false with a message on a framing error.
bool CanonicalIndexedMesh(const std::vector<std::uint8_t>& bytes, std::string& canonical,
                          std::string& error);

// One line per difference between the regular files of two folders (names, then contents);
// empty when they match.
std::vector<std::string> CompareOutputFolders(const std::string& expected,
                                              const std::string& actual);
