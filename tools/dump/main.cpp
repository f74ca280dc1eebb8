// vantok-dump: shows, checks and exports the converter's .im, .kin and .pm files.
#include "tools/dump/DumpMain.h"

int main(int argc, char** argv) {
    return DumpMain(argc, argv);
}
