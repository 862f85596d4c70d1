#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "core/diag/debug_dumps.h"

namespace {

// What `write` prints into a memory stream.
template <typename Fn>
std::string printed(Fn write)
{
    char* text = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&text, &size);
    write(f);
    std::fclose(f);
    std::string result(text, size);
    std::free(text);
    return result;
}

}  // namespace

TEST(HexDump, PadsTheLastRowToFullWidth)
{
    unsigned char three[] = {0x41, 0x42, 0x0A};
    EXPECT_EQ(printed([&](FILE* f) { dump_hex(f, three, 3); }),
              " 41420A" + std::string(34, ' ') + "AB." + std::string(16, ' ') + "\n");

    unsigned char bytes[17];
    for (int i = 0; i < 17; ++i) bytes[i] = static_cast<unsigned char>('a' + i);
    std::string one_row = printed([&](FILE* f) { dump_hex(f, bytes, 16); });
    EXPECT_EQ(one_row, " 61626364 65666768 696A6B6C 6D6E6F70     abcd efgh ijkl mnop\n");
    std::string two_rows = printed([&](FILE* f) { dump_hex(f, bytes, 17); });
    EXPECT_EQ(two_rows.substr(0, one_row.size()), one_row);
    EXPECT_EQ(two_rows.size(), 2 * one_row.size());
    EXPECT_EQ(printed([&](FILE* f) { dump_hex(f, bytes, 0); }), "");
    EXPECT_EQ(printed([&](FILE* f) { dump_hex(f, bytes, -4); }), "");
}

TEST(StackDump, AddressAloneIsEntryZeroAndNothingGivenPrintsNothing)
{
    void* address = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(printed([&](FILE* f) { UTL_dump_stack(f, nullptr, address); }),
              "  0) 0x00001234 (\?\?\?)\n");
    EXPECT_EQ(printed([&](FILE* f) { UTL_dump_stack(f, nullptr, nullptr); }), "");
}

TEST(StackDump, FollowsTheChainOnlyWhileItClimbsTheStack)
{
    stack_frame frames[4];
    frames[0] = {&frames[1], reinterpret_cast<void*>(0xa0)};
    frames[1] = {&frames[2], reinterpret_cast<void*>(0xa1)};
    frames[2] = {&frames[0], reinterpret_cast<void*>(0xa2)};  // points back down
    frames[3] = {nullptr, reinterpret_cast<void*>(0xa3)};
    EXPECT_EQ(printed([&](FILE* f) { UTL_dump_stack(f, &frames[0], nullptr); }),
              "  0) 0x000000a0 (\?\?\?)\n  1) 0x000000a1 (\?\?\?)\n  2) 0x000000a2 (\?\?\?)\n");

    stack_frame loop[120];
    for (int i = 0; i < 120; ++i) loop[i] = {i + 1 < 120 ? &loop[i + 1] : nullptr, &loop[i]};
    std::string listing = printed([&](FILE* f) { UTL_dump_stack(f, loop, &loop[0]); });
    EXPECT_NE(listing.find(" 99) "), std::string::npos);
    EXPECT_EQ(listing.find("100) "), std::string::npos) << "at most up to entry 99";
}

TEST(StackDump, AddressesPrintInFullOnA64BitBuild)
{
    void* high = reinterpret_cast<void*>(0x7fff12345678ULL);
    EXPECT_EQ(printed([&](FILE* f) { print_symbol(f, high); }), "0x7fff12345678 (\?\?\?)\n");
}

TEST(DebugInit, BrokenPipeNoLongerEndsTheProgram)
{
    UTL_debug_init();
    EXPECT_EQ(std::raise(SIGPIPE), 0);
    symbol_info symbol;
    UTL_get_debug_symbol(nullptr, &symbol);
    EXPECT_EQ(symbol.line, -1);
    EXPECT_EQ(UTL_valid_memory(nullptr, 4, 0, 0), 1);
}
