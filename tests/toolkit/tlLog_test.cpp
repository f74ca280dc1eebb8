// tlLog's base implementation: counting, the display switches and the stream output.
#include "toolkit/tlLog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class MemoryStream : public gtStream {
public:
    int Read(void*, int) override { return 0; }
    int Write(const void* buffer, int size) override {
        bytes.append(static_cast<const char*>(buffer), static_cast<size_t>(size));
        return size;
    }
    std::string bytes;
};

}  // namespace

TEST(tlLog, CountsWithoutAStream) {
    tlLog log;
    log.Error("e %d", 1);
    log.Warning("w");
    log.Info("i");
    EXPECT_EQ(log.numErrors, 1);
    EXPECT_EQ(log.numWarnings, 1);
}

TEST(tlLog, WritesPrefixedMessagesWithTheirTerminator) {
    tlLog log;
    MemoryStream stream;
    log.stream = &stream;
    log.Error("bad %s", "thing");
    log.Warning("careful");
    log.Info("note %d", 3);
    EXPECT_EQ(stream.bytes, std::string("Error: bad thing\0Warning: careful\0note 3\0", 41));
}

TEST(tlLog, SwitchesHideButWarningsStillCount) {
    tlLog log;
    MemoryStream stream;
    log.stream = &stream;
    log.logWarnings = 0;
    log.logInfo = 0;
    log.Warning("hidden");
    log.Info("hidden");
    log.Info("%s", "");
    EXPECT_EQ(log.numWarnings, 1);
    EXPECT_TRUE(stream.bytes.empty());
    log.logInfo = 1;
    log.Info("%s", "");  // an empty text writes nothing
    EXPECT_TRUE(stream.bytes.empty());
}

TEST(tlLog, LongMessagesAreCutTo1023Characters) {
    tlLog log;
    MemoryStream stream;
    log.stream = &stream;
    const std::string text(3000, 'x');
    log.Error("%s", text.c_str());
    ASSERT_EQ(stream.bytes.size(), 1024u);
    EXPECT_EQ(stream.bytes.substr(0, 7), "Error: ");
    EXPECT_EQ(stream.bytes.back(), '\0');
}
