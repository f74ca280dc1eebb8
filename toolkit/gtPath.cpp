// Path helpers: splitting accepts both separators, joining writes the platform's own.
#include "toolkit/gtPath.h"

namespace {

int LastSeparator(const gtString& path) {
    for (int i = path.Length() - 1; i >= 0; --i) {
        if (IsPathSeparator(path[i])) {
            return i;
        }
    }
    return -1;
}

// Position of the extension's '.', or -1 when the last component has none.
int ExtensionDot(const gtString& path) {
    const int dot = path.FindLast('.');
    return dot > LastSeparator(path) ? dot : -1;
}

}  // namespace

char PathSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

gtString PathWithoutExtension(const gtString& path) {
    const int dot = ExtensionDot(path);
    return dot < 0 ? path : path.Left(dot);
}

gtString PathWithExtension(const gtString& path, const gtString& extension) {
    if (extension.IsEmpty()) {
        return path;
    }
    gtString result = PathWithoutExtension(path);
    if (extension[0] != '.') {
        result += '.';
    }
    result += extension;
    return result;
}

gtString PathDirectory(const gtString& path) {
    return path.Left(LastSeparator(path) + 1);
}

gtString PathTitle(const gtString& path) {
    return PathWithoutExtension(path.Mid(LastSeparator(path) + 1));
}

gtString PathJoin(const gtString& a, const gtString& b) {
    if (a.IsEmpty()) {
        return b;
    }
    gtString result = a;
    if (!IsPathSeparator(a[a.Length() - 1])) {
        result += PathSeparator();
    }
    const int skip = (!b.IsEmpty() && IsPathSeparator(b[0])) ? 1 : 0;
    result.Append(b.c_str() + skip, b.Length() - skip);
    if (result.Length() > 0 && IsPathSeparator(result[result.Length() - 1])) {
        result.Truncate(result.Length() - 1);
    }
    return result;
}
