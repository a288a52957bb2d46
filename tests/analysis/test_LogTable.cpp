// The whole-log reader: every column and each pass's header, and the column reader's refusals.
#include "analysis/NoiseRecord.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const std::string kHeader = "KXS306\tDate\t1/2/2026 10:00:00\r\nTemperature\t25  dgrC\r\n"
                            "Num Samples\t2\r\nNeg Self Test On\r\n\tGyro\tTemp\r\n"
                            "Sample\tDgr/S\tDgrC\r\n";

TEST(ReadLogTable, ReadsEveryColumnAndHeader) {
    TempWorkDir dir;
    dir.Write("good.txt",
              kHeader + "1\t0.5\t25\r\n2\t-0.5\t25\r\n" + kHeader + "1\t1.5\t26\r\n2\t2\t26.5");
    const LogTable log = ReadLogTable("good.txt");
    ASSERT_EQ(log.error, "");
    EXPECT_EQ(log.names, (std::vector<std::string>{"Sample", "Gyro", "Temp"}));
    EXPECT_EQ(log.units, (std::vector<std::string>{"", "Dgr/S", "DgrC"}));
    EXPECT_EQ(log.columns[0], (std::vector<double>{1, 2, 1, 2}));
    EXPECT_EQ(log.columns[2], (std::vector<double>{25, 25, 26, 26.5}));
    EXPECT_EQ(log.model, "KXS306");
    EXPECT_EQ(log.passes, 2);
    ASSERT_EQ(log.headers.size(), 2u);
    using Field = std::pair<std::string, std::string>;
    EXPECT_EQ(log.headers[1], (std::vector<Field>{{"Date", "1/2/2026 10:00:00"},
                                                  {"Temperature", "25  dgrC"},
                                                  {"Num Samples", "2"},
                                                  {"Neg Self Test On", ""}}));
    const LogTable header = ReadLogHeader("good.txt");
    EXPECT_EQ(header.names, log.names);
    EXPECT_EQ(header.units, log.units);
    ASSERT_EQ(header.headers.size(), 1u);
    EXPECT_EQ(header.headers[0], log.headers[0]);
    EXPECT_TRUE(header.columns.empty());
}

// The same file, whatever is wrong with it, is refused for the same reason by both readers.
TEST(ReadLogTable, RefusesWhatTheColumnReaderRefuses) {
    TempWorkDir dir;
    const std::string cases[] = {
        "",
        "Sample\tDgr/S\r\n1\t2\r\n",
        kHeader + "1\tx\t25\r\n",
        kHeader + "1\t0.5\r\n",
        kHeader,
        kHeader + "1\t0.5\t25\r\nKXS306\tDate\t1\r\n\tGyro\r\nSample\tDgr/S\r\n1\t2\r\n",
        kHeader + "1\t0.5\t25\r\n2\t0.5\tnan\r\n",
    };
    for (const auto& text : cases) {
        dir.Write("odd.txt", text);
        const std::string first = ReadLogColumn("odd.txt", 1).error;
        EXPECT_NE(first + ReadLogColumn("odd.txt", 2).error, "") << text;
        EXPECT_EQ(ReadLogTable("odd.txt").error,
                  first.empty() ? ReadLogColumn("odd.txt", 2).error : first)
            << text;
    }
    // A names line without a tab names no data column for either reader.
    dir.Write("odd.txt", "KXS306\tDate\t1\r\nGyro\r\nSample\tDgr/S\r\n1\t2\r\n");
    EXPECT_NE(ReadLogColumn("odd.txt", 1).error, "");
    EXPECT_EQ(ReadLogTable("odd.txt").error, "Line 3: no line names the columns.");
    EXPECT_EQ(ReadLogTable("missing.txt").error, "missing.txt is not a file that can be read.");
}

} // namespace
