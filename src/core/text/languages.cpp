#include "core/text/languages.h"

#include <cstdlib>
#include <cstring>

#include "core/text/cmdline.h"

const lang_info kLangInfo[kLangCount] = {
    {"English/", nullptr, "en", 1, "|English"},
    {"French/", "RESOURCE:French.txt", "fr", 0, "|Fran\xC3\xA7" "ais"},
    {"German/", "RESOURCE:German.txt", "de", 1, "|Deutsch"},
    {"Russian/", "RESOURCE:Russian.txt", "ru", 2,
     "|\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9"},
    {"Italian/", "RESOURCE:Italian.txt", "it", 1, "|Italiano"},
    {"Spanish/", "RESOURCE:Spanish.txt", "es", 1, "|Espa\xC3\xB1ol"},
};

std::string UTL_lang_get_button(int lang) { return kLangInfo[lang].button; }

std::string UTL_lang_get_folder(int lang) { return kLangInfo[lang].folder; }

void UTL_lang_get_languages(std::vector<int>& out)
{
    static const std::vector<int> all = [] {
        std::vector<int> v;
        for (int i = 0; i < kLangCount; ++i) v.push_back(i);
        return v;
    }();
    out = all;
}

int UTL_get_default_language()
{
    std::vector<int> langs;
    UTL_lang_get_languages(langs);
    if (langs.empty()) return -1;
    if (langs.size() == 1) return langs[0];

    if (cmdline.has_option("--lang")) {
        std::string asked = cmdline.get_option("--lang");
        for (int lang : langs)
            if (asked == kLangInfo[lang].iso_code) return lang;
    }

    // The first variable that is set decides, as the C library's locale
    // lookup does: LC_ALL=C means "untranslated" even with LANG=de_DE.
    const char* env = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if ((env = std::getenv(name)) != nullptr) break;
    if (env == nullptr) return -1;
    for (int lang : langs)
        if (std::strncmp(env, kLangInfo[lang].iso_code, 2) == 0) return lang;
    return -1;
}
