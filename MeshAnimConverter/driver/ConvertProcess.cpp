// The conversion run. The reading and writing stages are not part of this build yet, so a run
// reports failure and writes nothing.
#include "MeshAnimConverter/driver/ConvertProcess.h"

bool ConvertProcess::Run() { return false; }
