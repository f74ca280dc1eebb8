// libFuzzer target for the lexer's number reading: reals with the "-" rule, comma probes, four
// reals at a time and plain tokens, under every flag combination the first byte selects.
// Errors are silent or go to the (disabled) debug sink, so nothing blocks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "toolkit/WinDebug.h"
#include "xml/gtLexer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = [] {
        WinDebug::SetEnabled(false);
        WinDebug::SetErrorBoxHandler([](const char*) { return 0; });
        return true;
    }();
    (void)quiet;
    if (size == 0)
        return 0;
    int flags = data[0] & 0xDF;  // every flag bit but 32, which has no meaning
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    gtLexer lexer;
    lexer.flags = flags;
    lexer.SetInput(text.c_str(), (int)text.size() + 1);
    // Reading stops at the end or when the cursor no longer moves (an unknown symbol stays).
    for (size_t i = 0; i <= text.size(); ++i) {
        int before = lexer.Position();
        float four[4];
        switch (i % 3) {
            case 0:
                (void)lexer.ReadReal();
                break;
            case 1:
                lexer.ReadFourReals(four);
                break;
            default: {
                gtToken t;
                if (lexer.ReadToken(&t) && t.kind == gtToken::kNumber) {
                    (void)t.GetReal();
                    (void)t.GetInteger();
                    gtToken copy(t);
                    (void)copy.GetReal();
                }
                break;
            }
        }
        lexer.SkipComma();
        if (lexer.Position() == before && i > 0)
            break;
    }
    return 0;
}
