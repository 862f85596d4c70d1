#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "core/files/resources.h"
#include "core/files/xmap.h"
#include "test_support.h"

// A resource whose file name holds a '-', as the build would embed it.
asm(".section .rodata\n"
    ".global _binary_with_dash_txt_start\n_binary_with_dash_txt_start:\n.ascii \"dash\"\n"
    ".global _binary_with_dash_txt_end\n_binary_with_dash_txt_end:\n"
    ".previous\n");

namespace {

long size_on_disk(const char* path)
{
    struct stat st {};
    return ::stat(path, &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

}  // namespace

TEST(Resources, PrefixIsStrippedOnlyWhenWrittenExactly)
{
    std::string font = "RESOURCE:DejaVuSans.ttf", bare = "RESOURCE:", lower = "resource:map.png",
                plain = "RESOURCE", disk = "Resources/x";
    EXPECT_TRUE(UTL_path_is_resource(font));
    EXPECT_EQ(font, "DejaVuSans.ttf");
    EXPECT_TRUE(UTL_path_is_resource(bare));
    EXPECT_EQ(bare, "");
    EXPECT_FALSE(UTL_path_is_resource(lower));
    EXPECT_EQ(lower, "resource:map.png");
    EXPECT_FALSE(UTL_path_is_resource(plain));
    EXPECT_FALSE(UTL_path_is_resource(disk));
}

TEST(Resources, FontsAreFoundWithTheirRealBytes)
{
    const char* dir = "/usr/share/fonts/truetype/dejavu/";
    struct { const char* name; std::string file; } fonts[] = {
        {"DejaVuSans.ttf", std::string(dir) + "DejaVuSans.ttf"},
        {"DejaVuSansBold.ttf", std::string(dir) + "DejaVuSans-Bold.ttf"},
    };
    for (const auto& f : fonts) {
        int size = -1;
        const char* bytes = UTL_resource_get_memory(f.name, size);
        ASSERT_NE(bytes, nullptr) << f.name << " is not built in";
        EXPECT_EQ(size, size_on_disk(f.file.c_str())) << f.name;
        EXPECT_EQ(std::string(bytes, size), testing_support::read_file(f.file)) << f.name;
    }
}

TEST(Resources, UnknownAndEmptyNamesAreNotFoundAndSizeIsUntouched)
{
    int size = 1234;
    EXPECT_EQ(UTL_resource_get_memory("Spanish.txt", size), nullptr);
    EXPECT_EQ(UTL_resource_get_memory("", size), nullptr);
    EXPECT_EQ(UTL_resource_get_memory("DejaVuSans", size), nullptr);
    EXPECT_EQ(size, 1234);
}

TEST(Resources, DashInANameIsLookedUpAsUnderscore)
{
    int size = 0;
    const char* bytes = UTL_resource_get_memory("with-dash.txt", size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, size), "dash");
}

TEST(Resources, MappedReaderServesResourcesFromTheProgramImage)
{
    xmap_class font("RESOURCE:DejaVuSans.ttf");
    ASSERT_NE(font.begin, nullptr);
    EXPECT_EQ(font.is_resource, 1);
    EXPECT_EQ(font.pos, font.begin);
    EXPECT_EQ(static_cast<long>(font.size()),
              size_on_disk("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    xmap_class missing("RESOURCE:Italian.txt");
    EXPECT_EQ(missing.begin, nullptr);
    EXPECT_EQ(missing.size(), 0u);
    // Reloading a resource-backed map must not unmap the program image.
    const char* first = font.begin;
    font.retry("RESOURCE:DejaVuSansBold.ttf");
    EXPECT_EQ(first[0], '\0') << "the first font's bytes are still there";
}
