// The console progress line: what it draws, when it redraws, how it clears (also through the
// process-wide console hook), nothing when disabled or finished, and the null interface's
// answers.
#include "MeshAnimConverter/driver/ConsoleExportUserInterface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/ConsoleLine.h"

namespace {

class Stream {
public:
    Stream() : file(std::tmpfile()) {}
    ~Stream() { std::fclose(file); }
    // What was written since the last call.
    std::string Take() {
        std::fflush(file);
        const long end = std::ftell(file);
        std::string text(static_cast<size_t>(end - m_read), '\0');
        std::fseek(file, m_read, SEEK_SET);
        text.resize(std::fread(text.data(), 1, text.size(), file));
        std::fseek(file, 0, SEEK_END);
        m_read = end;
        return text;
    }
    std::FILE* file;

private:
    long m_read = 0;
};

bool Matches(const std::string& text, const char* pattern) {
    return std::regex_match(text, std::regex(pattern));
}

TEST(ConsoleExportUserInterface, DrawsStatusAndPercentageAndRedrawsOnlyOnChange) {
    Stream s;
    ConsoleExportUserInterface ui(s.file, true);
    ui.ShowStatus("Reading input file");
    EXPECT_TRUE(Matches(s.Take(), "\rReading input file  [0-9]+\\.[0-9] s"));
    ui.ShowProgress(0.5f);
    EXPECT_TRUE(Matches(s.Take(), "\rReading input file   50%  [0-9]+\\.[0-9] s"));
    ui.ShowProgress(0.504f);  // still 50 %
    EXPECT_EQ(s.Take(), "");
    ui.ShowProgress(1.5f);  // clamped
    EXPECT_TRUE(Matches(s.Take(), "\rReading input file  100%  [0-9]+\\.[0-9] s"));
    ui.ShowProgress(-1.0f);
    EXPECT_TRUE(Matches(s.Take(), "\rReading input file    0%  [0-9]+\\.[0-9] s"));
}

TEST(ConsoleExportUserInterface, AShorterLineCoversTheLongerOne) {
    Stream s;
    ConsoleExportUserInterface ui(s.file, true);
    ui.ShowStatus("A long status text");
    const std::string first = s.Take();
    ui.ShowStatus("Short");
    const std::string second = s.Take();
    // "\r" + text + spaces up to the old length + "\r" + text
    const std::regex shape("\r(Short  [0-9]+\\.[0-9] s)( +)\r(Short  [0-9]+\\.[0-9] s)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(second, m, shape)) << second;
    EXPECT_EQ(m[1].length() + m[2].length(), first.size() - 1);
    EXPECT_EQ(m[1].str(), m[3].str());
}

TEST(ConsoleExportUserInterface, ClearsThroughTheConsoleHookAndWhenFinished) {
    Stream s;
    {
        ConsoleExportUserInterface ui(s.file, true);
        ui.ShowStatus("Writing chunk 1 of 2");
        const size_t drawn = s.Take().size() - 1;
        ConsoleLine::Clear();  // as the log does before a line
        EXPECT_EQ(s.Take(), "\r" + std::string(drawn, ' ') + "\r");
        ConsoleLine::Clear();  // nothing drawn: nothing to clear
        EXPECT_EQ(s.Take(), "");
        ui.ShowProgress(0.25f);
        const size_t again = s.Take().size() - 1;
        ui.Finish();
        EXPECT_EQ(s.Take(), "\r" + std::string(again, ' ') + "\r");
        ui.ShowStatus("after the end");
        ui.ShowProgress(0.75f);
        ConsoleLine::Clear();
        EXPECT_EQ(s.Take(), "");
    }
    EXPECT_EQ(s.Take(), "");  // finished: destroying draws nothing
}

TEST(ConsoleExportUserInterface, DisabledDrawsNothingAndAnswersLikeTheNullInterface) {
    Stream s;
    ConsoleExportUserInterface ui(s.file, false);
    ui.ShowStatus("Reading input file");
    ui.ShowProgress(0.5f);
    ConsoleLine::Clear();
    EXPECT_EQ(s.Take(), "");
    NullExportUserInterface null;
    for (int yesNo : {0, 1}) {
        EXPECT_EQ(ui.Ask("Overwrite?", yesNo, 0), null.Ask("Overwrite?", yesNo, 0));
    }
    EXPECT_EQ(ui.Query(), null.Query());
    // a file is not a terminal: the default construction is disabled
    ConsoleExportUserInterface byDefault(s.file);
    byDefault.ShowStatus("x");
    EXPECT_EQ(s.Take(), "");
}

TEST(ConsoleExportUserInterface, CallsFromManyThreadsDrawWholeLines) {
    Stream s;
    ConsoleExportUserInterface ui(s.file, true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&ui, t] {
            for (int i = 0; i <= 100; ++i) {
                ui.ShowStatus(t % 2 == 0 ? "Optimizing chunks" : "Writing chunks");
                ui.ShowProgress(static_cast<float>(i) / 100.0f);
                if (i % 10 == 0) {
                    ConsoleLine::Clear();
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    ui.Finish();
    // every segment between carriage returns is a whole drawing, padding or nothing
    const std::string text = s.Take();
    const std::regex segment("(|(Optimizing|Writing) chunks(  +[0-9]+%)?  [0-9]+\\.[0-9] s *| +)");
    size_t start = 0;
    for (size_t at = text.find('\r', 1); start < text.size();
         start = at, at = text.find('\r', at + 1)) {
        const std::string part =
            text.substr(start + 1, (at == std::string::npos ? text.size() : at) - start - 1);
        EXPECT_TRUE(std::regex_match(part, segment)) << "[" << part << "]";
        if (at == std::string::npos) {
            break;
        }
    }
}

}  // namespace
