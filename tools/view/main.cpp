// vantok-view: see ViewMain.h.
#include "tools/view/ViewMain.h"

int main(int argc, char** argv) {
    return ViewMain(argc, argv);
}
