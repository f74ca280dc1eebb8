// ProgressStream: a read-only stream over another that shows the share of it read so far on an
// export user interface (the document loader reads the file through it).
#pragma once

#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "toolkit/gtStream.h"

class ProgressStream : public gtStream {
public:
    ProgressStream(gtStream& source, ExportUserInterface& ui)
        : m_source(source), m_ui(ui), m_size(source.Size()) {}

    int Read(void* buffer, int size) override {
        const int read = m_source.Read(buffer, size);
        if (read > 0 && m_size > 0) {
            m_consumed += read;
            m_ui.ShowProgress(static_cast<float>(static_cast<double>(m_consumed) / m_size));
        }
        return read;
    }
    int Write(const void* buffer, int size) override {
        (void)buffer;
        (void)size;
        return 0;
    }
    int Seek(int offset, int origin) override { return m_source.Seek(offset, origin); }
    int Tell() override { return m_source.Tell(); }
    int Size() override { return m_size; }

private:
    gtStream& m_source;
    ExportUserInterface& m_ui;
    int m_size;
    long long m_consumed = 0;
};
