#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/Log.h"

namespace fs = std::filesystem;

namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("dvlog-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        LogClose();
        fs::remove_all(dir_);
    }
    std::string ReadLog() const {
        std::ifstream in(dir_ / "save.log", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void Touch(const char* name) const { std::ofstream(dir_ / name) << "x"; }

    fs::path dir_;
};

TEST_F(LogTest, WithoutSwitchFileNothingIsWritten) {
    EXPECT_FALSE(LogStartFromWorkingDirectory(dir_.string()));
    LogPrintA("hello %d\n", 1);
    LogPrint(L"wide %d\n", 2);
    EXPECT_FALSE(fs::exists(dir_ / "save.log"));
    EXPECT_FALSE(LogIsOpen());
}

TEST_F(LogTest, SwitchFileTruncatesOldLogAndFlushesOnTwelfthMessage) {
    { std::ofstream(dir_ / "save.log") << "old contents that must disappear"; }
    Touch("savelog.ini");
    ASSERT_TRUE(LogStartFromWorkingDirectory(dir_.string()));
    EXPECT_EQ(ReadLog(), "");
    for (int i = 1; i <= 11; ++i) LogPrintA("line %02d\n", i);
    EXPECT_EQ(ReadLog(), "") << "the first flush belongs to the twelfth message";
    LogPrint(L"line %02d\n", 12);
    std::string expected;
    for (int i = 1; i <= 12; ++i)
        expected += "line " + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\n";
    EXPECT_EQ(ReadLog(), expected);
    for (int i = 13; i <= 22; ++i) LogPrintA("x\n");
    EXPECT_EQ(ReadLog(), expected);
    LogPrintA("x\n");  // the 23rd
    EXPECT_EQ(ReadLog().size(), expected.size() + 11 * 2);
}

TEST_F(LogTest, WideAndNarrowTextAreBothUtf8AndLongMessagesAreCut) {
    Touch("savelog.ini");
    ASSERT_TRUE(LogStartFromWorkingDirectory(dir_.string()));
    LogPrint(L"Manufacturer String: %ls\n", L"\u6d4b\u8bd5 DSP");
    LogPrintA("%s\n", "narrow");
    std::string longNarrow(3000, 'n');
    std::wstring longWide(3000, L'w');
    LogPrintA("%s", longNarrow.c_str());
    LogPrint(L"%ls", longWide.c_str());
    LogClose();
    std::string text = ReadLog();
    std::string head = "Manufacturer String: \xe6\xb5\x8b\xe8\xaf\x95 DSP\nnarrow\n";
    ASSERT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.size(), head.size() + 1023 + 1023);
    EXPECT_EQ(text.find_first_not_of('n', head.size()), head.size() + 1023);
    EXPECT_EQ(text.find_first_not_of('w', head.size() + 1023), std::string::npos);
}

TEST_F(LogTest, ConcurrentWritersNeverInterleaveInsideAMessage) {
    Touch("savelog.ini");
    ASSERT_TRUE(LogStartFromWorkingDirectory(dir_.string()));
    constexpr int kThreads = 4, kLines = 300;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            std::string body(40, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i) {
                if (i % 2)
                    LogPrintA("<%s>\n", body.c_str());
                else
                    LogPrint(L"<%s>\n", body.c_str());
            }
        });
    }
    for (auto& w : writers) w.join();
    LogClose();
    std::istringstream lines(ReadLog());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_EQ(line.size(), 42u) << line;
        EXPECT_EQ(line.find_first_not_of(line[1], 1), 41u) << line;
        ++count;
    }
    EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
