// gtStream: the abstract byte stream the XML document reads from.
//
// Read and Write are abstract; Seek, Tell and Size return -1 unless a stream overrides them.
// Seek origins: 0 from the start, 1 from the current position, 2 from the end.
#pragma once

class gtStream {
public:
    enum Origin { kFromStart = 0, kFromCurrent = 1, kFromEnd = 2 };

    virtual ~gtStream() = default;
    virtual int Read(void* buffer, int size) = 0;
    virtual int Write(const void* buffer, int size) = 0;
    virtual int Seek(int offset, int origin) {
        (void)offset;
        (void)origin;
        return -1;
    }
    virtual int Tell() { return -1; }
    virtual int Size() { return -1; }
};
