// libFuzzer target: an interchange file of arbitrary bytes is read into a scene, with the
// skeleton resolved and every animation conformed and completed. Log lines and the lexer's
// error boxes are discarded. Any crash, hang, leak or undefined behaviour is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "toolkit/WinDebug.h"
#include "toolkit/gtStream.h"

namespace {

class MemoryStream : public gtStream {
public:
    MemoryStream(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    int Read(void* buffer, int size) override {
        const size_t left = m_size - m_at;
        const size_t n =
            size < 0 ? 0 : (static_cast<size_t>(size) < left ? static_cast<size_t>(size) : left);
        std::memcpy(buffer, m_data + m_at, n);
        m_at += n;
        return static_cast<int>(n);
    }
    int Write(const void*, int) override { return 0; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::FILE* sink = [] {
        WinDebug::SetEnabled(false);
        WinDebug::SetErrorBoxHandler([](const char*) { return 0; });
        std::FILE* null = std::fopen("/dev/null", "w");
        programLog.SetOutput(null);
        return null;
    }();
    (void)sink;
    MemoryStream stream(data, size);
    SceneData scene;
    int32_t version = 0;
    ReadInterchangeStream(stream, "fuzz.xml", version, scene, programLog, TestPreparer());
    programLog.Reset();
    return 0;
}
