// Manifest lines a server should never send: paths that climb out of the
// destination, bad signatures, numbers past any range, garbage.
#include <gtest/gtest.h>

#include <climits>

#include "dvd_fixtures.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "alert_recorder.h"
#include "engine_test_support.h"

namespace {

const std::string kSig = "0123456789abcdef0123456789abcdef";

class ManifestHostileLines : public ::testing::Test {
protected:
    void SetUp() override { engine_testing::reset_engine_state(); }
    void read(const std::string& body) { read_directory_body(body.data(), body.data() + body.size()); }
    std::vector<std::string> paths() const
    {
        std::vector<std::string> out;
        for (const auto& history : sim_info)
            for (const auto& version : history) out.push_back(version.path);
        return out;
    }
};

TEST_F(ManifestHostileLines, PathsThatLeaveTheDestinationAreDropped)
{
    const char* hostile[] = {"/etc/passwd", "top/../../x", "top/..", "../x", "top//x",
                             "top/a/../../b", "//x"};
    std::string body;
    for (const char* path : hostile) body += "FILE 1 0 0 1 1 " + kSig + " " + path + "\n";
    body += "FILE 1 0 0 1 1 " + kSig + " top/ok..txt\n";
    body += "FILE 1 0 0 1 1 " + kSig + " top/.../x\n";
    read(body);
    EXPECT_EQ(paths(), (std::vector<std::string>{"top/ok..txt", "top/.../x"}))
        << "only names that merely contain dots survive";
}

TEST_F(ManifestHostileLines, APrefixCannotSmuggleATraversalIn)
{
    read("DIR /abs/\nFILE 1 0 0 1 1 " + kSig + " x\nDIR ../\nFILE 1 0 0 1 1 " + kSig +
         " y\nDIR top/\nFILE 1 0 0 1 1 " + kSig + " z\n");
    EXPECT_EQ(paths(), (std::vector<std::string>{"top/z"}));
}

TEST_F(ManifestHostileLines, ALineWithoutSignatureOrPathIsDropped)
{
    read("FILE 1 2 3 4 5\nFILE 1 2 3 4 5 " + kSig + "\n");
    EXPECT_TRUE(sim_info.empty()) << "an empty path would name the destination itself";
}

TEST_F(ManifestHostileLines, ADroppedLineDoesNotEndAHistory)
{
    read("FILE 1 0 0 1 1 " + kSig + " top/a\nFILE 1 0 0 1 1 " + kSig + " ../a\nFILE 1 0 0 1 1 " +
         kSig + " top/a\n");
    ASSERT_EQ(sim_info.size(), 1u);
    EXPECT_EQ(sim_info[0].size(), 2u);
}

TEST_F(ManifestHostileLines, ANegativeSizeDropsTheLineWithALogLine)
{
    engine_testing::log_capture log;
    // "!" reads as a digit below zero: negative without a sign.
    read("FILE 1 0 0 -5 1 " + kSig + " top/a\nFILE 1 0 0 1 -2000000 " + kSig + " top/b\nFILE 1 0 0 1 ! " + kSig +
         " top/c\nFILE 1 0 0 1 1 " + kSig + " top/d\n");
    EXPECT_EQ(paths(), std::vector<std::string>{"top/d"});
    EXPECT_NE(log.text().find("Manifest line dropped (negative size): \"top/b\""), std::string::npos) << log.text();
    recalc_disk_sizes();
    EXPECT_GE(stg.install_total, 0.0f) << "the disk-space check would say there is room for anything";
}

TEST_F(ManifestHostileLines, SignaturesOtherThanMd5OrTheMarkersCountAsAbsent)
{
    read("FILE 1 0 0 1 1 ../../evil top/a\n"
         "FILE 1 0 0 1 1 0123456789abcdef0123456789abcdeg top/b\n"
         "FILE 1 0 0 1 1 0123456789ABCDEF0123456789ABCDEF top/c\n"
         "FILE 1 0 0 1 1 NONE top/d\n"
         "FILE 1 0 0 1 1 gone top/e\n");
    ASSERT_EQ(sim_info.size(), 5u);
    EXPECT_EQ(sim_info[0][0].sig_want, "");
    EXPECT_EQ(sim_info[1][0].sig_want, "");
    EXPECT_EQ(sim_info[2][0].sig_want.str(), "0123456789abcdef0123456789abcdef")
        << "upper-case digits are a signature, read as the checksum writes it";
    EXPECT_EQ(sim_info[3][0].sig_want, "NONE");
    EXPECT_EQ(sim_info[4][0].sig_want, "");
}

TEST_F(ManifestHostileLines, HugeNumbersSaturateInsteadOfOverflowing)
{
    const std::string big(30, '9');
    read("DISK " + big + "\nFILE " + big + " " + big + " -" + big + " " + big + " " + big + " " +
         kSig + " top/a\n");
    ASSERT_EQ(sim_info.size(), 1u);
    const file_version_struct& v = sim_info[0][0];
    EXPECT_EQ(v.disk, INT_MAX);
    EXPECT_EQ(v.platform, 6);
    EXPECT_EQ(v.aux_number, -INT_MAX);
    EXPECT_EQ(v.download_size, static_cast<float>(INT_MAX));
    EXPECT_EQ(v.installed_size, static_cast<float>(INT_MAX));
}

TEST_F(ManifestHostileLines, DigitsAreNotCheckedButStayInRange)
{
    // "1a" reads as 1 * 10 + ('a' - '0'): the old reader's arithmetic.
    read("FILE 1 0 1a 1 1 " + kSig + " top/a\nFILE 1 0 -+12 1 1 " + kSig + " top/b\n");
    ASSERT_EQ(sim_info.size(), 2u);
    EXPECT_EQ(sim_info[0][0].aux_number, 10 + ('a' - '0'));
    EXPECT_EQ(sim_info[1][0].aux_number, -12);
}

TEST_F(ManifestHostileLines, GarbageAndTruncationLeaveTheGoodLines)
{
    std::string body = "garbage line\n\x01\x02\xff\xfe\nFILE 1 0 0 1 1 " + kSig + " top/a\n";
    body += "FILE\nFILE \nFILE 1\nDIR";
    body += "\nFILE 1 0 0 1 1 " + kSig + " top/b\nFILE 1 0 0 1 1 " + kSig + " top/tr";
    read(body);
    EXPECT_EQ(paths(), (std::vector<std::string>{"top/a", "top/b", "top/tr"}));
}

TEST_F(ManifestHostileLines, APathThatNamesAFolderIsAFatalError)
{
    testing_support::alert_recorder catcher;
    read("FILE 1 0 0 1 1 " + kSig + " top/folder/\nFILE 1 0 0 1 1 " + kSig + " top/b\n");
    ASSERT_EQ(catcher.alerts().size(), 1u);
    EXPECT_EQ(catcher.alerts()[0].level, 2);
    EXPECT_EQ(catcher.alerts()[0].line1,
              "I am reading the directory text file and found a path that has no file!");
    EXPECT_EQ(catcher.alerts()[0].line4, "top/folder/");
    EXPECT_EQ(paths(), (std::vector<std::string>{"top/b"})) << "nothing of the folder line is kept";
}

}  // namespace
