// The compact texts of a manifest line read, compare and print as the
// strings they stand for, whoever writes them.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>
#include <vector>

#include "engine/manifest.h"

TEST(ManifestPath, ReadsAsTheStringItHoldsAndSharesEqualTexts)
{
    const std::string text = "Nimbrel/Resources/a b/file.txt";
    pooled_path path = text;
    EXPECT_EQ(path, text);
    EXPECT_EQ(std::string(path), text);
    EXPECT_EQ(path.c_str(), pooled_path(std::string("Nimbrel/") + "Resources/a b/file.txt").c_str())
        << "one copy of a text however often it is read";
    EXPECT_EQ(path.size(), text.size());
    EXPECT_EQ(path.back(), 't');
    EXPECT_EQ(path.substr(8), "Resources/a b/file.txt");
    EXPECT_EQ(path.rfind('/'), text.rfind('/'));
    EXPECT_EQ(path.find("a b"), text.find("a b"));
    EXPECT_EQ("/copy/" + path, "/copy/" + text);
    EXPECT_EQ(path + ".zip", text + ".zip");
    std::ostringstream out;
    out << path;
    EXPECT_EQ(out.str(), text);

    pooled_path none;
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none, "");
    EXPECT_EQ(none.c_str(), pooled_path(std::string()).c_str());
    EXPECT_NE(none, path);
    EXPECT_EQ(pooled_path(std::string("x\0y", 3)).size(), 3u) << "a zero byte is part of the text";
}

TEST(ManifestSig, KeepsEveryTextItIsGivenAndComparesAsThatText)
{
    const std::string md5 = "0123456789abcdef0123456789abcdef";
    const std::string upper = "0123456789ABCDEF0123456789ABCDEF";
    for (const std::string& text : {md5, std::string("NONE"), std::string("GONE"), std::string(),
                                    std::string("untouched"), std::string("0123456789abcdef")}) {
        packed_sig sig = text;
        EXPECT_EQ(sig.str(), text);
        EXPECT_EQ(sig, text);
        EXPECT_EQ(sig.empty(), text.empty());
        std::ostringstream out;
        out << sig;
        EXPECT_EQ(out.str(), text);
    }
    // Release tools may write the digits in upper case: the same signature,
    // read back as the checksum writes it.
    EXPECT_EQ(packed_sig(upper), packed_sig(md5));
    EXPECT_EQ(packed_sig(upper), md5);
    EXPECT_EQ(packed_sig(md5), upper);
    EXPECT_EQ(packed_sig(upper).str(), md5);
    EXPECT_NE(packed_sig("0123456789ABCDEF0123456789ABCDEG"), md5) << "a letter past F is no digit";
    EXPECT_EQ(packed_sig(md5), packed_sig(std::string(md5)));
    EXPECT_NE(packed_sig("NONE"), packed_sig("GONE"));
    EXPECT_NE(packed_sig(), packed_sig("NONE"));
    EXPECT_EQ(packed_sig("a text"), packed_sig(std::string("a ") + "text"));

    packed_sig cleared = md5;
    cleared.clear();
    EXPECT_TRUE(cleared.empty());
    EXPECT_EQ("/tmp/" + packed_sig(md5) + "_0.zip", "/tmp/" + md5 + "_0.zip");
}

// Checksum workers write installed signatures side by side, and a text the
// pool has not seen may come from several of them at once.
TEST(ManifestSig, ThreadsThatWriteTheSameNewTextsAgreeOnThem)
{
    std::vector<std::vector<packed_sig>> made(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&made, t] {
            for (int i = 0; i < 2000; ++i) made[t].push_back("text " + std::to_string((i * 7 + t) % 500));
        });
    for (std::thread& thread : threads) thread.join();
    // Signatures compare by their pooled copy: equal only when all threads
    // got the one copy of each text.
    std::vector<packed_sig> first(500);
    for (int i = 0; i < 500; ++i) first[i] = "text " + std::to_string(i);
    for (int t = 0; t < 8; ++t)
        for (int i = 0; i < 2000; ++i) ASSERT_EQ(made[t][i], first[(i * 7 + t) % 500]) << "thread " << t;
}
