// EventTypeTable: a constant table, so it exists before the program's main work begins.
#include "MeshAnimConverter/anim/EventTypeTable.h"

#include <cstring>

const EventTypeEntry kEventTypeTable[12] = {
    {0, "sound"},    {1, "soundsync"},     {2, "sync"},           {3, "3dsys"},
    {4, "generic"},  {5, "effect"},        {6, "attach"},         {7, "detach"},
    {8, "transfer"}, {9, "anim_complete"}, {10, "loop_complete"}, {11, "destroyed"},
};

int32_t EventTypeCode(const char* typeName) {
    for (const EventTypeEntry& entry : kEventTypeTable) {
        if (std::strcmp(entry.name, typeName) == 0) {
            return entry.code;
        }
    }
    return kGenericEventCode;
}
