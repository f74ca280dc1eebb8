// gtLexer: the toolkit's tokenizer for small script-like texts; here it reads the numbers
// inside XML element texts.
//
// It splits text into numbers, strings, names and punctuation, skips blanks (every byte below
// '!' taken as signed, so 0x80-0xFF too) and comments ("//" to the end of the line, "/*" to
// "*/"), counts lines from 1, and reports errors as "Parse Error file: %s, line %d: %s" in the
// error box (WinDebug::ErrorBox, or the `errorBox` sink when one is given) or, with
// kErrorsToLog, on the debug sink; warnings go to the debug sink. Whether anything was reported
// is the lexer's own error flag; nothing is counted process-wide. Failures yield false or the value
// 0; the lexer never stops the program.
//
// Usage (one fresh lexer per element text):
//   gtLexer lexer;
//   const char* text = element->GetText();
//   lexer.SetInput(text, (int)strlen(text) + 1);    // length includes the terminator
//   float x = lexer.ReadReal(); lexer.SkipComma();  // "1, 2, 3" and "1 2 3" alike
//   float q[4]; lexer.ReadFourReals(q);
// The input must stay valid while the lexer reads it (it is not copied unless SetInputCopy).
#pragma once

#include <cstdint>

#include "toolkit/gtLineSink.h"
#include "toolkit/gtString.h"
#include "toolkit/tlLog.h"
#include "xml/gtToken.h"

class gtLexer {
public:
    enum Flags {
        kSilent = 1,                // errors set the error flag but show nothing
        kErrorsToLog = 2,           // errors go to the debug sink instead of the error box
        kNoWarnings = 4,            // warnings are dropped
        kNoStringJoin = 8,          // adjacent string literals are not joined
        kNoEscapes = 16,            // a backslash in a string is an ordinary character
        kJoinAfterBackslash = 64,   // with kNoStringJoin: join only across a backslash
        kQuietSpecialFloats = 128,  // "1.#INF" and the like without an error
    };
    // Punctuation ids used by the readers.
    enum Punctuation { kMinus = 11, kComma = 30 };
    static constexpr int kMessageSize = 1024;

    gtLexer();
    gtLexer(const gtLexer&) = delete;
    gtLexer& operator=(const gtLexer&) = delete;
    virtual ~gtLexer();

    // Sets the text to read; `length` counts the terminating zero. Resets cursor, line (1),
    // file name, error flag and pushed-back token. A null text changes nothing.
    void SetInput(const char* text, int length);
    // The same on a private copy the lexer owns.
    void SetInputCopy(const char* text, int length);

    // The next token; false at the end of the input (no message) or on an error.
    bool ReadToken(gtToken* token);
    // The next ReadToken returns this token again.
    void UnreadToken(const gtToken& token);

    // The next number as a float: an optional "-" token, then a number token. Errors read 0.
    float ReadReal();
    // Consumes the next token when it is ",", else leaves the position where it was.
    bool SkipComma();
    // Real, comma probe, real, comma probe, real, comma probe, real.
    void ReadFourReals(float values[4]);

    void Error(const char* format, ...) GT_PRINTF_FORMAT(2, 3);
    void Warning(const char* format, ...) GT_PRINTF_FORMAT(2, 3);

    int flags = 0;
    // Where the error box's text goes instead of the box (not owned; null: the box).
    gtLineSink* errorBox = nullptr;
    // Set by every error since the input was set, shown or not.
    bool ErrorFlag() const { return m_errorFlag; }
    const gtString& LastError() const { return m_lastError; }
    const gtString& FileName() const { return m_fileName; }
    void SetFileName(const char* name) { m_fileName = name; }
    int Line() const { return m_line; }
    // Offset of the cursor in the input.
    int Position() const { return m_hasInput ? (int)(m_cursor - m_input) : 0; }
    // Plain decimal numbers, commas and blanks are read by a fast path that gives exactly the
    // general path's values, positions and messages; off makes every read take the general
    // path (tests compare the two).
    void SetFastPath(bool on) { m_fastPath = on; }

private:
    bool AtEnd() const { return m_cursor >= m_inputEnd || *m_cursor == 0; }
    bool SkipWhiteSpace();
    // Fast path: blanks from p (line feeds counted into line). Returns the character class met.
    enum BlankStop { kAtToken, kAtEnd, kAtComment };
    BlankStop SkipBlanks(const char*& p, int& line) const;
    bool ReadNumber(gtToken* token);
    bool ReadString(gtToken* token);
    bool ReadStringBody(gtToken* token);
    bool ReadEscape(gtToken* token);
    void ReadName(gtToken* token);
    bool ReadPunctuation(gtToken* token);
    void FreeInput();

    bool m_hasInput = false;
    bool m_ownsInput = false;
    bool m_errorFlag = false;
    bool m_pushedBack = false;
    gtString m_lastError;
    gtString m_fileName;
    const char* m_input = nullptr;
    int m_inputLength = 0;
    const char* m_cursor = nullptr;
    const char* m_tokenStart = nullptr;
    const char* m_inputEnd = nullptr;
    int m_line = 1;
    int m_tokenLine = 1;
    gtToken* m_saved = nullptr;  // the pushed-back token, made on first use
    bool m_fastPath = true;
    const void* m_punctuation;
};
