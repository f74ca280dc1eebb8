// ConsoleLine: the one transient line (a progress line) a program may keep on its terminal.
// Whoever draws it registers how to clear it; everything that prints a line on the console
// (the program log, the error box's text, a stage's printed text) clears it first, so the line
// never mixes with real output. Process-wide because the terminal is; safe from any thread.
#pragma once

namespace ConsoleLine {

using Clearer = void (*)(void* context);

// Registers the line's clearer (null: no line). Replaces any earlier one.
void Register(Clearer clear, void* context);
// Clears the registered line, if any.
void Clear();

}  // namespace ConsoleLine
