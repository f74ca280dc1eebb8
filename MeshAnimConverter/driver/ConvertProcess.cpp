// ConvertProcess holds the options of one conversion; its Run is in ConvertRun.cpp, over the
// reading and writing stages.
#include "MeshAnimConverter/driver/ConvertProcess.h"
