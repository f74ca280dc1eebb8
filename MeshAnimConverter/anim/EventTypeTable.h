// EventTypeTable: the fixed table from an animation event's type name to the 32-bit code the
// KIN file carries.
//
// Names are held in lower case and compared byte for byte, so case counts: "soundsync" is 1,
// "SoundSync" is not in the table. A name that matches no row gets the code of "generic", 4.
#pragma once

#include <cstdint>

struct EventTypeEntry {
    int32_t code;
    const char* name;
};

// The rows in code order, 0 to 11.
extern const EventTypeEntry kEventTypeTable[12];
constexpr int32_t kGenericEventCode = 4;

int32_t EventTypeCode(const char* typeName);
