// gtLexer: skipping, the token kinds, real reading and reporting (see gtLexer.h).
//
// The punctuation table is shared by every lexer: 37 symbols, chained by first character with
// longer symbols first, so "==" is tried before "=".
#include "xml/gtLexer.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolkit/WinDebug.h"
#include "xml/gtNumberText.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Punctuation table

struct Symbol {
    const char* text;
    int id;
};

constexpr Symbol kSymbols[] = {
    {"==", 1}, {"!=", 2}, {"<=", 3}, {">=", 4}, {"&&", 5}, {"||", 6}, {"|", 7},   {"&", 8},
    {"=", 9},  {"+", 10}, {"-", 11}, {"^", 12}, {"~", 13}, {"{", 14}, {"}", 15},  {"(", 16},
    {")", 17}, {"[", 18}, {"]", 19}, {"<", 20}, {">", 21}, {"_", 22}, {"'", 23},  {"`", 24},
    {".", 25}, {"!", 26}, {"@", 27}, {"*", 28}, {"%", 29}, {",", 30}, {"\\", 31}, {"/", 32},
    {";", 33}, {":", 34}, {"#", 35}, {"$", 36}, {"?", 37},
};
constexpr int kSymbolCount = (int)(sizeof kSymbols / sizeof kSymbols[0]);

struct PunctuationTable {
    int first[256];  // first entry of each character's chain, -1 when none
    int next[kSymbolCount];

    PunctuationTable() {
        for (int& f : first) f = -1;
        // Insert each symbol into its chain before the first shorter one.
        for (int i = 0; i < kSymbolCount; ++i) {
            int* link = &first[(unsigned char)kSymbols[i].text[0]];
            size_t length = std::strlen(kSymbols[i].text);
            while (*link >= 0 && std::strlen(kSymbols[*link].text) >= length) link = &next[*link];
            next[i] = *link;
            *link = i;
        }
    }
};

const PunctuationTable& Table() {
    static const PunctuationTable table;
    return table;
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline int HexValue(char c) {
    return IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : c - 'A' + 10;
}

}  // namespace

// =============================================================================================
// Input

gtLexer::gtLexer() : m_punctuation(&Table()) {}

gtLexer::~gtLexer() {
    FreeInput();
    delete m_saved;
}

void gtLexer::FreeInput() {
    if (m_ownsInput)
        std::free(const_cast<char*>(m_input));
    m_ownsInput = false;
}

void gtLexer::SetInput(const char* text, int length) {
    if (!text)
        return;
    FreeInput();
    m_input = text;
    m_inputLength = length > 0 ? length : 1;
    // The terminator's place; an empty length reads as an empty text.
    m_inputEnd = length > 0 ? text + length - 1 : text;
    m_cursor = m_tokenStart = text;
    m_line = m_tokenLine = 1;
    if (!m_fileName.IsEmpty())
        m_fileName = "";
    m_errorFlag = false;
    m_pushedBack = false;
    m_hasInput = true;
}

void gtLexer::SetInputCopy(const char* text, int length) {
    if (!text)
        return;
    size_t n = length > 0 ? (size_t)length : 1;
    auto* copy = static_cast<char*>(std::malloc(n));
    if (length > 0)
        std::memcpy(copy, text, n);
    copy[n - 1] = 0;
    SetInput(copy, (int)n);
    m_ownsInput = true;
}

// =============================================================================================
// Skipping

// Skips blanks and comments; false at the end of the input.
bool gtLexer::SkipWhiteSpace() {
    for (;;) {
        while (!AtEnd() && (signed char)*m_cursor <= ' ') {
            if (*m_cursor == '\n')
                ++m_line;
            ++m_cursor;
        }
        if (AtEnd())
            return false;
        if (m_cursor[0] == '/' && m_cursor[1] == '/') {
            m_cursor += 2;
            while (!AtEnd() && *m_cursor != '\n') ++m_cursor;
            if (!AtEnd()) {
                ++m_line;
                ++m_cursor;
            }
            continue;
        }
        if (m_cursor[0] == '/' && m_cursor[1] == '*') {
            // The opener's star counts as the star before a closing slash: "/*/" is complete.
            m_cursor += 2;
            for (;;) {
                if (AtEnd())
                    return false;
                char c = *m_cursor;
                if (c == '\n')
                    ++m_line;
                if (c == '/' && m_cursor[-1] == '*') {
                    ++m_cursor;
                    break;
                }
                if (c == '/' && m_cursor[1] == '*')
                    Warning("nested comment");
                ++m_cursor;
            }
            continue;
        }
        return true;
    }
}

// =============================================================================================
// Tokens

bool gtLexer::ReadToken(gtToken* token) {
    if (!m_hasInput) {
        Error("no script available");
        return false;
    }
    if (m_pushedBack) {
        *token = *m_saved;
        m_pushedBack = false;
        return true;
    }
    m_tokenStart = m_cursor;
    m_tokenLine = m_line;
    token->Reset();
    if (!SkipWhiteSpace())
        return false;
    token->position = (int)(m_cursor - m_input);
    token->line = m_line;

    char c = *m_cursor;
    if (IsDigit(c) || (c == '.' && IsDigit(m_cursor[1])))
        return ReadNumber(token);
    if (c == '"')
        return ReadString(token);
    if (IsLetter(c) || c == '_') {
        ReadName(token);
        return true;
    }
    return ReadPunctuation(token);
}

void gtLexer::UnreadToken(const gtToken& token) {
    if (!m_saved)
        m_saved = new gtToken;
    *m_saved = token;
    m_pushedBack = true;
}

void gtLexer::ReadName(gtToken* token) {
    token->kind = gtToken::kName;
    while (!AtEnd() && (IsLetter(*m_cursor) || IsDigit(*m_cursor) || *m_cursor == '_')) {
        token->Append(*m_cursor++);
    }
}

bool gtLexer::ReadPunctuation(gtToken* token) {
    const auto* table = static_cast<const PunctuationTable*>(m_punctuation);
    for (int i = table->first[(unsigned char)*m_cursor]; i >= 0; i = table->next[i]) {
        const char* symbol = kSymbols[i].text;
        size_t n = std::strlen(symbol);
        if (std::strncmp(m_cursor, symbol, n) == 0) {
            token->kind = gtToken::kPunctuation;
            token->subtype = kSymbols[i].id;
            for (size_t k = 0; k < n; ++k) token->Append(symbol[k]);
            m_cursor += n;
            return true;
        }
    }
    // The cursor stays before the symbol.
    Error("Unkown symbol %c", *m_cursor);
    return false;
}

bool gtLexer::ReadNumber(gtToken* token) {
    token->kind = gtToken::kNumber;
    const char* p = m_cursor;
    auto take = [&] { token->Append(*p++); };
    if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) {
        take();
        take();
        while (*p == '0' || *p == '1') take();
        token->subtype = gtToken::kInteger | gtToken::kBinary;
    } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        take();
        take();
        while (IsHexDigit(*p)) take();
        token->subtype = gtToken::kInteger | gtToken::kHexadecimal;
    } else if (p[0] == '0' && p[1] != '.') {
        take();
        token->subtype = gtToken::kInteger | gtToken::kDecimal;
    } else {
        int dots = 0;
        while (IsDigit(*p) || *p == '.') {
            if (*p == '.')
                ++dots;
            take();
        }
        if (dots > 1) {
            m_cursor = p;
            Error("more than one dot in number");
            return false;
        }
        if (dots == 1 || *p == 'e' || *p == 'E') {
            token->subtype = gtToken::kReal | gtToken::kDecimal;
            if (*p == 'e' || *p == 'E') {
                take();
                if (*p == '+' || *p == '-')
                    take();
                while (IsDigit(*p)) take();
            }
            if (*p == '#') {
                take();
                static const struct {
                    const char* marker;
                    int flag;
                } kForms[] = {{"INF", gtToken::kInfinity},
                              {"IND", gtToken::kIndefinite},
                              {"NAN", gtToken::kNotANumber},
                              {"QNAN", gtToken::kNotANumber},
                              {"SNAN", gtToken::kNotANumber}};
                int flag = 0;
                for (const auto& f : kForms) {
                    size_t n = std::strlen(f.marker);
                    if (std::strncmp(p, f.marker, n) == 0) {
                        for (size_t k = 0; k < n; ++k) take();
                        flag = f.flag;
                        break;
                    }
                }
                if (!flag) {
                    m_cursor = p;
                    Error("unknown float exeption");
                    return false;
                }
                while (IsDigit(*p)) take();
                token->subtype |= flag;
                m_cursor = p;
                if (!(flags & kQuietSpecialFloats))
                    Error("parsed: '%s'", token->Text());
                return true;
            }
        } else {
            token->subtype = gtToken::kInteger | gtToken::kDecimal;
        }
    }
    m_cursor = p;
    return true;
}

// The character after a backslash, the cursor on it.
bool gtLexer::ReadEscape(gtToken* token) {
    char c = *m_cursor;
    switch (c) {
        case '"':
        case '\'':
        case '?':
        case '\\':
            token->Append(c);
            ++m_cursor;
            return true;
        case 'a':
            token->Append(7);
            ++m_cursor;
            return true;
        case 'b':
            token->Append(8);
            ++m_cursor;
            return true;
        case 'f':
            token->Append(12);
            ++m_cursor;
            return true;
        case 'n':
            token->Append(10);
            ++m_cursor;
            return true;
        case 'r':
            token->Append(13);
            ++m_cursor;
            return true;
        case 't':
            token->Append(9);
            ++m_cursor;
            return true;
        case 'v':
            token->Append(11);
            ++m_cursor;
            return true;
        default:
            break;
    }
    bool hex = c == 'x';
    if (!hex && !IsDigit(c)) {
        Error("unknown escape character");
        return false;
    }
    if (hex)
        ++m_cursor;
    // Numeric escapes: hexadecimal after "x", decimal otherwise; above 255 reads 255.
    int value = 0;
    while (!AtEnd() && (hex ? IsHexDigit(*m_cursor) : IsDigit(*m_cursor))) {
        int d = hex ? HexValue(*m_cursor) : *m_cursor - '0';
        value = value > 255 ? 256 : value * (hex ? 16 : 10) + d;
        ++m_cursor;
    }
    if (value > 255) {
        Warning("escaped number too large");
        value = 255;
    }
    token->Append((char)value);
    return true;
}

// Characters from after an opening quote through the closing quote.
bool gtLexer::ReadStringBody(gtToken* token) {
    for (;;) {
        if (AtEnd()) {
            Error("string missing trailing quote");
            return false;
        }
        char c = *m_cursor;
        if (c == '\n') {
            Error("newline inside string");
            return false;
        }
        if (c == '"') {
            ++m_cursor;
            return true;
        }
        if (c == '\\' && !(flags & kNoEscapes)) {
            ++m_cursor;
            if (!ReadEscape(token))
                return false;
            continue;
        }
        token->Append(c);
        ++m_cursor;
    }
}

bool gtLexer::ReadString(gtToken* token) {
    token->kind = gtToken::kString;
    ++m_cursor;
    for (;;) {
        if (!ReadStringBody(token))
            return false;
        const char* afterQuote = m_cursor;
        int lineAfter = m_line;
        if (!(flags & kNoStringJoin)) {
            if (SkipWhiteSpace() && *m_cursor == '"') {
                ++m_cursor;
                continue;
            }
        } else if (flags & kJoinAfterBackslash) {
            if (SkipWhiteSpace() && *m_cursor == '\\') {
                ++m_cursor;
                if (SkipWhiteSpace() && *m_cursor == '"') {
                    ++m_cursor;
                    continue;
                }
                Error("expecting string after '' terminated line");
                return false;
            }
        }
        // Nothing joined: back to just after the closing quote.
        m_cursor = afterQuote;
        m_line = lineAfter;
        return true;
    }
}

// =============================================================================================
// Reals
//
// ReadReal and SkipComma first try a fast path over the common texts: blanks, an optional "-",
// plain decimal numbers and commas. It works on local copies of the cursor and line and commits
// them only when it has reached exactly the state the general path would reach with no message
// on the way: the same value (the same digit algorithm on the same characters), cursor, line
// and token start. Anything else (comments, strings, other punctuation, "0x", "0b", two dots,
// "#" forms, the end of input where an error follows, a pushed-back token) leaves the lexer
// untouched and takes the general path.

namespace {

inline bool StartsNumber(const char* p) {
    return IsDigit(p[0]) || (p[0] == '.' && IsDigit(p[1]));
}

}  // namespace

gtLexer::BlankStop gtLexer::SkipBlanks(const char*& p, int& line) const {
    for (;;) {
        if (p >= m_inputEnd || *p == 0)
            return kAtEnd;
        char c = *p;
        if ((signed char)c > ' ')
            break;
        if (c == '\n')
            ++line;
        ++p;
    }
    if (p[0] == '/' && (p[1] == '/' || p[1] == '*'))
        return kAtComment;
    return kAtToken;
}

float gtLexer::ReadReal() {
    if (m_fastPath && m_hasInput && !m_pushedBack) {
        const char* p = m_cursor;
        int line = m_line;
        const char* tokenStart = p;
        int tokenLine = line;
        bool negative = false;
        BlankStop stop = SkipBlanks(p, line);
        if (stop == kAtToken && *p == '-') {
            // "-" is the only symbol beginning with that character.
            negative = true;
            ++p;
            tokenStart = p;
            tokenLine = line;
            stop = SkipBlanks(p, line);
        }
        double value;
        const char* end;
        if (stop == kAtToken && StartsNumber(p) &&
            (end = gtNumberText::ScanPlainDecimal(p, &value)) != nullptr) {
            m_tokenStart = tokenStart;
            m_tokenLine = tokenLine;
            m_cursor = end;
            m_line = line;
            return negative ? -(float)value : (float)value;
        }
    }
    gtToken token;
    if (!ReadToken(&token)) {
        Error("couldn't read expected float");
        return 0.0f;
    }
    if (token.IsPunctuation(kMinus)) {
        if (!ReadToken(&token)) {
            Error("couldn't read expected token");
            return 0.0f;
        }
        if (token.kind != gtToken::kNumber) {
            Error("expected a %s, but found '%s'", "number", token.Text());
            return 0.0f;
        }
        return -(float)token.GetReal();
    }
    if (token.kind == gtToken::kNumber)
        return (float)token.GetReal();
    Error("expected float, found '%s'", token.Text());
    return 0.0f;
}

bool gtLexer::SkipComma() {
    if (m_fastPath && m_hasInput && !m_pushedBack) {
        const char* p = m_cursor;
        int line = m_line;
        BlankStop stop = SkipBlanks(p, line);
        double value;
        // The tokens after which the general path returns without a message: nothing, ",",
        // "-", a name, a plain number.
        if (stop == kAtEnd ||
            (stop == kAtToken &&
             (*p == ',' || *p == '-' || IsLetter(*p) || *p == '_' ||
              (StartsNumber(p) && gtNumberText::ScanPlainDecimal(p, &value) != nullptr)))) {
            m_tokenStart = m_cursor;
            m_tokenLine = m_line;
            if (stop == kAtToken && *p == ',') {
                m_cursor = p + 1;
                m_line = line;
                return true;
            }
            return false;
        }
    }
    gtToken token;
    if (ReadToken(&token) && token.IsPunctuation(kComma))
        return true;
    m_cursor = m_tokenStart;
    m_line = m_tokenLine;
    return false;
}

void gtLexer::ReadFourReals(float values[4]) {
    values[0] = ReadReal();
    SkipComma();
    values[1] = ReadReal();
    SkipComma();
    values[2] = ReadReal();
    SkipComma();
    values[3] = ReadReal();
}

// =============================================================================================
// Reporting

void gtLexer::Error(const char* format, ...) {
    m_errorFlag = true;
    if (flags & kSilent)
        return;
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    m_lastError = message;
    if (flags & kErrorsToLog) {
        WinDebug::Printf("Parse Error file: %s, line %d: %s", m_fileName.c_str(), m_line, message);
    } else if (errorBox != nullptr) {
        // the box's own buffer size, so the text is cut where the box would cut it
        char text[WinDebug::kLineBufferSize];
        std::snprintf(text, sizeof text, "Parse Error file: %s, line %d: %s", m_fileName.c_str(),
                      m_line, message);
        WinDebug::Printf("ERROR BOX: %s", text);
        errorBox->Line(text);
    } else {
        WinDebug::ErrorBox(nullptr, "Parse Error file: %s, line %d: %s", m_fileName.c_str(), m_line,
                           message);
    }
}

void gtLexer::Warning(const char* format, ...) {
    if (flags & kNoWarnings)
        return;
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    WinDebug::Printf("Parse Warning file: %s, line %d: %s", m_fileName.c_str(), m_line, message);
}
