// gtString: the toolkit's reference-counted string of 8-bit characters.
//
// One pointer to zero-terminated characters, preceded by a header of three 32-bit integers
// (reference count, length, capacity). Copies share the buffer and raise the count atomically;
// a change to a shared buffer makes a private copy first (copy-on-write). A negative count marks
// a buffer that is never shared: copies of it are deep. The empty string is one static buffer
// with count -1. Buffers come from five pooled size classes (32 to 512 characters); longer
// strings get a buffer of exactly their length.
#pragma once

#include <cstdarg>
#include <cstdint>

class gtString {
public:
    // Size of the buffer every Format / Printf goes through; longer results are cut to
    // kFormatBufferSize - 1 characters. Use Append for texts of unbounded length.
    static constexpr int kFormatBufferSize = 16384;

    gtString() noexcept;
    gtString(const char* text);  // null reads as empty
    gtString(const char* text, int length);
    gtString(const gtString& other) noexcept;
    gtString(gtString&& other) noexcept;
    ~gtString();

    gtString& operator=(const gtString& other) noexcept;
    gtString& operator=(gtString&& other) noexcept;
    gtString& operator=(const char* text);

    const char* c_str() const noexcept { return m_text; }
    int Length() const noexcept;
    int Capacity() const noexcept;
    bool IsEmpty() const noexcept { return m_text[0] == 0; }
    char operator[](int index) const noexcept { return m_text[index]; }

    // Changing operations (each unshares first).
    void SetAt(int index, char c);
    void Assign(const char* text, int length);
    void Append(const char* text, int length);
    gtString& operator+=(const gtString& other);
    gtString& operator+=(const char* text);
    gtString& operator+=(char c);
    void Truncate(int length);  // keeps the first `length` characters
    void Clear();
    void ToLower();  // ASCII letters only
    void Trim();     // removes leading and trailing C white space (space, \t \n \v \f \r)
    void Printf(const char* format, ...);
    void VPrintf(const char* format, va_list args);
    // Marks the buffer as never shared: later copies are deep.
    void MakeUnshareable();

    // Derived strings.
    gtString Left(int count) const;
    gtString Mid(int start, int count = -1) const;
    gtString Lowered() const;
    int Find(char c, int from = 0) const noexcept;
    int Find(const char* text, int from = 0) const noexcept;
    int FindLast(char c) const noexcept;

    static gtString Format(const char* format, ...);
    static gtString VFormat(const char* format, va_list args);

    // Case-blind comparison of names and paths, ASCII letters folded to lower case.
    static int CompareNoCase(const char* a, const char* b) noexcept;
    int CompareNoCase(const char* other) const noexcept { return CompareNoCase(m_text, other); }
    bool EqualsNoCase(const char* other) const noexcept {
        return CompareNoCase(m_text, other) == 0;
    }

    bool operator==(const gtString& other) const noexcept;
    bool operator==(const char* other) const noexcept;
    bool operator<(const gtString& other) const noexcept;

    // Introspection for tests: the header's reference count.
    int32_t RefCount() const noexcept;

private:
    void Release() noexcept;
    void Unshare(int minCapacity);
    void Reserve(int capacity);  // private copy with at least this capacity, contents kept

    char* m_text;
};
