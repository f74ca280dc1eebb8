// MapSlotTable: the names of the texture map slots of a material and their slot numbers.
//
// A material's map carries the slot number found by its type name here; the same numbers are
// written to the .im file. Names are lower case and matched exactly; an unknown name gives -1.
// The table is a constant array, so it exists before anything runs and lives for the whole run.
#pragma once

enum MapSlot : int {
    kMapSlotInvalid = -1,
    kMapSlotAmbient = 0,
    kMapSlotDiffuse = 1,
    kMapSlotSpecular = 2,
    kMapSlotShine = 3,
    kMapSlotShineStrength = 4,
    kMapSlotSelfIllum = 5,
    kMapSlotOpacity = 6,
    kMapSlotFilterColor = 7,
    kMapSlotBump = 8,
    kMapSlotReflect = 9,
    kMapSlotRefract = 10,
    kMapSlotDisplacement = 11,
};

// Slot of a map type name ("diffuse" -> 1), -1 when the name is not in the table.
int FindMapSlot(const char* typeName);

// Name of a slot number ("invalid" for -1), null for a number that is not in the table.
const char* MapSlotName(int slot);
