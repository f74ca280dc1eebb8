// vantok_output_compare EXPECTED ACTUAL: compares two folders of converter outputs (the random
// part of material reference names aside). Prints each difference; exit 0 when they match,
// 1 when not, 2 on a usage error.
#include <cstdio>

#include "OutputFolderCompare.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantok_output_compare EXPECTED_FOLDER ACTUAL_FOLDER\n");
        return 2;
    }
    const std::vector<std::string> differences = CompareOutputFolders(argv[1], argv[2]);
    for (const std::string& line : differences) std::printf("%s\n", line.c_str());
    return differences.empty() ? 0 : 1;
}
