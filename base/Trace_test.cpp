#include "base/SystemException.h"
#include "base/Trace.h"
#include "testsupport/TempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;

class TraceLogTest : public ::testing::Test
{
protected:
    void TearDown() override { closeTraceLog(); }

    std::string path(const char* name) const { return (m_folder / name).string(); }

    static std::string read(const std::string& file)
    {
        std::ifstream in(file);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TempFolder m_temp;
    const fs::path m_folder = m_temp.path();
};

TEST_F(TraceLogTest, HooksWriteOneLineEachOnlyWhileTheLogIsOpen)
{
    traceMessage("before %s", "open");
    ASSERT_TRUE(openTraceLog(path("corvane.log")));
    traceMessage("INSERT FALSE");
    traceError("Exception in thread \"%s\"\n", "Callback Server");
    // A sender's text can't forge a line of its own.
    traceMessage("Key - %s, value - %s", "driver", "Bob\n2026-01-01 00:00:00 error forged");
    traceException(CORVANE_EXCEPTION(SystemException, EACCES));
    closeTraceLog();
    traceMessage("after close");

    const std::string text = read(path("corvane.log"));
    EXPECT_EQ(text.find("before open"), std::string::npos);
    EXPECT_EQ(text.find("after close"), std::string::npos);
    EXPECT_NE(text.find("info  ["), std::string::npos) << text;
    EXPECT_NE(text.find("INSERT FALSE\n"), std::string::npos);
    EXPECT_NE(text.find("error ["), std::string::npos) << text;
    EXPECT_NE(text.find("Exception in thread \"Callback Server\"\n"), std::string::npos);
    EXPECT_NE(text.find("value - Bob 2026-01-01 00:00:00 error forged\n"), std::string::npos);
    EXPECT_NE(text.find("SystemException"), std::string::npos) << text;
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    EXPECT_EQ(lines, 4) << text;
}

TEST_F(TraceLogTest, RotatesIntoTwoPrivateFilesAtTheMost)
{
    ASSERT_TRUE(openTraceLog(path("corvane.log"), 4096, 1000));
    const std::string filler(200, 'x');
    for (int i = 0; i < 500; ++i)
        traceMessage("%d %s", i, filler.c_str());
    closeTraceLog();

    int files = 0;
    for (const auto& entry : fs::directory_iterator(m_folder)) {
        ++files;
        EXPECT_LE(entry.file_size(), 4096u) << entry.path();
        struct stat info
        {
        };
        ASSERT_EQ(::stat(entry.path().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << entry.path();
    }
    EXPECT_EQ(files, 2);
    EXPECT_TRUE(fs::exists(path("corvane.1.log")));
    // The newest lines are in the current file.
    EXPECT_NE(read(path("corvane.log")).find("499 x"), std::string::npos);
}

// Lines of the flood written, and the counts its "left out" lines give.
struct FloodFigures
{
    long written = 0;
    long leftOut = 0;
    long reports = 0;
};

FloodFigures floodFigures(const std::string& text, const std::string& marker)
{
    FloodFigures f;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto more = line.find(" more lines like \"" + marker);
        if (more != std::string::npos) {
            const auto start = line.rfind(' ', more - 1) + 1;
            f.leftOut += std::stol(line.substr(start, more - start));
            ++f.reports;
        } else if (line.find(marker) != std::string::npos) {
            ++f.written;
        }
    }
    return f;
}

TEST_F(TraceLogTest, AFloodFromOneSiteIsCountedNotWrittenAndTheRestOfTheTrailStays)
{
    struct Case
    {
        const char* name;
        int lines;
        int linesPerSecond;
    };
    const Case cases[] = {
        {"below the limit", 3, 5},
        {"far beyond it", 5000, 5},
        {"one a second", 200, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path("corvane.log"));
        ASSERT_TRUE(openTraceLog(path("corvane.log"), 1u << 20, c.linesPerSecond));
        traceMessage("before the flood");
        for (int i = 0; i < c.lines; ++i)
            traceMessage("Flood line %d", i);
        traceMessage("after the flood");
        closeTraceLog();

        const std::string text = read(path("corvane.log"));
        const FloodFigures f = floodFigures(text, "Flood line");
        EXPECT_EQ(f.written + f.leftOut, c.lines) << text;
        // Each second of the flood gives its limit at the most.
        EXPECT_LE(f.written, c.linesPerSecond * (f.reports + 1)) << text;
        EXPECT_GE(f.written, std::min(c.lines, c.linesPerSecond));
        if (c.lines <= c.linesPerSecond)
            EXPECT_EQ(f.reports, 0);
        EXPECT_NE(text.find("before the flood"), std::string::npos);
        EXPECT_NE(text.find("after the flood"), std::string::npos);
    }
}

TEST_F(TraceLogTest, AnUnopenableLogLeavesTheHooksSilent)
{
    {
        std::ofstream notAFolder(path("file"));
    }
    EXPECT_FALSE(openTraceLog(path("file/corvane.log")));
    traceMessage("goes nowhere");
    EXPECT_EQ(fs::file_size(path("file")), 0u);
}

} // namespace
} // namespace corvane
