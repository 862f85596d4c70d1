#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/text/cmdline.h"
#include "core/text/languages.h"

namespace {

// Sets the three locale variables for one test (null: unset) and the
// command line, and puts everything back afterwards.
class locale_env {
public:
    locale_env(const char* lc_all, const char* lc_messages, const char* lang,
               std::vector<const char*> args = {})
    {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            saved_.push_back(old ? std::string(old) : std::string("\x01unset"));
        }
        set("LC_ALL", lc_all);
        set("LC_MESSAGES", lc_messages);
        set("LANG", lang);
        args.insert(args.begin(), "nimbrel");
        cmdline = UTL_cmdline();
        cmdline.init_unix(static_cast<int>(args.size()), args.data());
    }
    ~locale_env()
    {
        for (size_t i = 0; i < 3; ++i)
            set(kNames[i], saved_[i] == "\x01unset" ? nullptr : saved_[i].c_str());
        cmdline = UTL_cmdline();
    }

private:
    static void set(const char* name, const char* value)
    {
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::string> saved_;
};

}  // namespace

TEST(Languages, TableHoldsSixLanguagesWithTheirFoldersAndButtons)
{
    std::vector<int> langs{42};
    UTL_lang_get_languages(langs);
    EXPECT_EQ(langs, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(UTL_lang_get_folder(0), "English/");
    EXPECT_EQ(UTL_lang_get_folder(5), "Spanish/");
    EXPECT_EQ(UTL_lang_get_button(1), "|Fran\xC3\xA7" "ais");
    EXPECT_EQ(UTL_lang_get_button(3), "|\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9");
}

TEST(DefaultLanguage, TheFirstLocaleVariableThatIsSetDecidesEvenWhenItNamesNothing)
{
    {
        locale_env env("C", nullptr, "de_DE.UTF-8");
        EXPECT_EQ(UTL_get_default_language(), -1) << "LC_ALL beats LANG";
    }
    {
        locale_env env("", "fr_FR.UTF-8", "de_DE.UTF-8");
        EXPECT_EQ(UTL_get_default_language(), -1) << "an empty LC_ALL still counts";
    }
    {
        locale_env env(nullptr, "fr_FR.UTF-8", "de_DE.UTF-8");
        EXPECT_EQ(UTL_get_default_language(), 1);
    }
    {
        locale_env env(nullptr, nullptr, "ru_RU.UTF-8");
        EXPECT_EQ(UTL_get_default_language(), 3);
    }
    {
        locale_env env(nullptr, nullptr, "es");
        EXPECT_EQ(UTL_get_default_language(), 5) << "two letters are enough";
    }
    {
        locale_env env(nullptr, nullptr, "e");
        EXPECT_EQ(UTL_get_default_language(), -1) << "one letter is not";
    }
    {
        locale_env env(nullptr, nullptr, nullptr);
        EXPECT_EQ(UTL_get_default_language(), -1);
    }
}

TEST(DefaultLanguage, TheLangOptionWinsWhenItNamesACodeExactly)
{
    {
        locale_env env(nullptr, nullptr, "ru_RU.UTF-8", {"--lang=it"});
        EXPECT_EQ(UTL_get_default_language(), 4);
    }
    {
        locale_env env(nullptr, nullptr, "ru_RU.UTF-8", {"--lang=FR"});
        EXPECT_EQ(UTL_get_default_language(), 3) << "codes are case-sensitive; the environment decides";
    }
    {
        locale_env env("de_AT", nullptr, nullptr, {"--lang"});
        EXPECT_EQ(UTL_get_default_language(), 2) << "an empty value names nothing";
    }
}
