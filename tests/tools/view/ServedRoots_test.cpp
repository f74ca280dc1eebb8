// ServedRoots: which names reach a file, for every spelling of a way out of the served folder.
#include "tools/view/ServedRoots.h"

#include <gtest/gtest.h>

#include "../../TestFiles.h"

namespace fs = std::filesystem;

namespace {

struct Layout {
    ScratchFolder scratch;
    fs::path root = scratch.Dir() / "root";
    ServedRoots roots{{scratch.Dir() / "root", scratch.Dir() / "missing"}};

    Layout() {
        fs::create_directories(root / "sub");
        WriteWholeFile((root / "a.im").string(), "a");
        WriteWholeFile((root / "sub" / "b.im").string(), "b");
        WriteWholeFile((root / "%2e%2e").string(), "literal name");
        WriteWholeFile((scratch.Dir() / "outside.im").string(), "outside");
        fs::create_symlink(scratch.Dir() / "outside.im", root / "escape.im");
        fs::create_directory_symlink(scratch.Dir(), root / "up");
        fs::create_symlink(root / "sub" / "b.im", root / "inner.im");
        roots = ServedRoots({root, scratch.Dir() / "missing"});
    }
};

}  // namespace

TEST(ServedRoots, RefusesEveryWayOut) {
    const Layout layout;
    const char* const refused[] = {"",
                                   "0",
                                   "0/",
                                   "/0/a.im",
                                   "0//a.im",
                                   "0/./a.im",
                                   "0/../outside.im",
                                   "0/sub/../a.im",
                                   "0/..",
                                   "0/sub/..",
                                   "../outside.im",
                                   "0/sub\\..\\a.im",
                                   "0/escape.im",
                                   "0/up/outside.im",
                                   "1/a.im",
                                   "2/a.im",
                                   "-1/a.im",
                                   "x/a.im",
                                   "0/sub",
                                   "0/nothing.im",
                                   "0/%2e%2e/outside.im",
                                   "0//etc/passwd",
                                   "0/a.im/",
                                   "0 /a.im"};
    for (const char* name : refused) EXPECT_FALSE(layout.roots.Resolve(name)) << name;
    EXPECT_FALSE(layout.roots.Resolve(std::string_view("0/a.im\0x", 8)));
}

TEST(ServedRoots, ServesFilesInsideAndLinksThatStayInside) {
    const Layout layout;
    const fs::path root = fs::canonical(layout.root);
    EXPECT_EQ(layout.roots.Resolve("0/a.im"), root / "a.im");
    EXPECT_EQ(layout.roots.Resolve("0/sub/b.im"), root / "sub" / "b.im");
    EXPECT_EQ(layout.roots.Resolve("0/inner.im"), root / "sub" / "b.im");
    EXPECT_EQ(layout.roots.Resolve("0/up/root/a.im"), root / "a.im");  // out and back in
    EXPECT_EQ(layout.roots.Resolve("0/%2e%2e"), root / "%2e%2e");      // a literal name, not dots
    EXPECT_EQ(layout.roots.NameOf(0, root / "sub" / "b.im"), "0/sub/b.im");
}
