// Path helpers on gtString. Both '/' and '\' count as separators when a path is split; joining
// writes the platform's separator ('\' on Windows, '/' elsewhere).
#pragma once

#include "toolkit/gtString.h"

// The separator PathJoin writes on this platform.
char PathSeparator();
bool IsPathSeparator(char c);

// The text before the last '.' that comes after the last separator; the whole text when there
// is none.
gtString PathWithoutExtension(const gtString& path);
// PathWithoutExtension(path) + extension, with a '.' between unless the extension already starts
// with one; an empty extension leaves the path unchanged.
gtString PathWithExtension(const gtString& path, const gtString& extension);
// The text up to and including the last separator; empty when there is none.
gtString PathDirectory(const gtString& path);
// The text after the last separator, without its last extension.
gtString PathTitle(const gtString& path);
// b when a is empty; otherwise a, one separator unless a already ends in one, b without one
// leading separator; no trailing separator at the end of the result.
gtString PathJoin(const gtString& a, const gtString& b);
