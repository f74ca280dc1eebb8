// Fuzz target for vantok-dump: reads arbitrary bytes as an .im, .kin or .pm file (the first
// byte picks the name, so the progressive-mesh rules are fuzzed too), then validates, writes
// the JSON and text dumps and, for meshes that read, builds the glTF binary.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/dump/DumpReader.h"
#include "tools/dump/DumpValidator.h"
#include "tools/dump/GltfExport.h"
#include "tools/dump/JsonDump.h"
#include "tools/dump/TextDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const char* name = data[0] % 2 == 0 ? "fuzz.im" : "fuzz.pm";
    const DumpFile file = ReadDumpBytes(std::vector<std::uint8_t>(data + 1, data + size), name);
    if (file.fatal && file.fatal->message.empty())
        __builtin_trap();
    const std::vector<DumpIssue> issues = ValidateDump(file);
    DumpJson(file, DumpOptions{true, 8}, &issues)
        .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    DumpText(file, DumpOptions{});
    if (!file.fatal && file.kind == DumpKind::IndexedMesh)
        BuildGlb(file, {});
    return 0;
}
