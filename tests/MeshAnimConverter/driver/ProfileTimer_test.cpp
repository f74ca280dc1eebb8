// The profile timer over a scripted time device, and the duration texts.
#include "MeshAnimConverter/driver/ProfileTimer.h"

#include <gtest/gtest.h>

#include "toolkit/gtTimeDevice.h"

namespace {

class ScriptedTime : public gtTimeDevice {
public:
    uint32_t Now() override { return now; }
    uint32_t now = 1000;
};

class ProfileTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = gtGetTimeDevice();
        gtSetTimeDevice(&clock);
    }
    void TearDown() override { gtSetTimeDevice(m_previous); }
    ScriptedTime clock;

private:
    gtTimeDevice* m_previous = nullptr;
};

}  // namespace

TEST(DurationText, Table) {
    const struct {
        uint32_t ms;
        const char* text;
    } cases[] = {
        {0, "no time"},
        {7, "7 Milliseconds"},
        {999, "999 Milliseconds"},
        {1000, "1.00 Seconds"},
        {1050, "1.05 Seconds"},
        {2340, "2.34 Seconds"},
        {59999, "59.99 Seconds"},
        {60000, "1 Minutes, 0.00 Seconds"},
        {61000, "1 Minutes, 1.00 Seconds"},
        {3600000, "1 Hours, 0 Minutes, 0 Seconds"},
        {3600000 + 61500, "1 Hours, 1 Minutes, 1 Seconds"},
        {86400000 + 3600000 + 60000 + 1000, "1 Days, 1 Hours, 1 Minutes"},
        {4294967295u, "49 Days, 17 Hours, 2 Minutes"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(DurationText(c.ms).c_str(), c.text) << c.ms;
    }
}

TEST_F(ProfileTimerTest, AccumulatesRunsAndRestarts) {
    ProfileTimer timer;
    EXPECT_EQ(timer.Find("Process"), nullptr);
    EXPECT_STREQ(timer.ElapsedText("Process").c_str(), "no time");
    timer.Start("Process");
    clock.now += 1500;
    timer.Stop("Process");
    timer.Stop("Process");  // not running: nothing added
    clock.now += 100;
    timer.Start("Process");
    clock.now += 200;
    timer.Start("Process");  // restart while running adds the running time first
    clock.now += 300;
    timer.Stop("Process");
    EXPECT_EQ(timer.Find("Process")->elapsed, 2000u);
    EXPECT_STREQ(timer.ElapsedText("Process").c_str(), "2.00 Seconds");
    EXPECT_EQ(timer.Find("process"), nullptr);  // names compare with case
}

TEST_F(ProfileTimerTest, WrappingClockGivesTheRightDifference) {
    ProfileTimer timer;
    clock.now = 0xFFFFFF00u;
    timer.Start("Process");
    clock.now = 0x00000100u;
    timer.Stop("Process");
    EXPECT_EQ(timer.Find("Process")->elapsed, 0x200u);
}
