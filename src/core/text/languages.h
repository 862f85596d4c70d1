// The six languages the program can speak and the choice of the one to
// start in.
#pragma once

#include <string>
#include <vector>

// Language indices: 0 English, 1 French, 2 German, 3 Russian, 4 Italian,
// 5 Spanish; -1 means none chosen.
enum { kLangCount = 6 };

struct lang_info {
    const char* folder;        // "English/": the language's menu folder
    const char* table;         // built-in translation table; null for English
    const char* iso_code;      // "en"
    int plural_mode;           // see UTL_translate_plural
    const char* button;        // "|English": the chooser's label, own name on the right
};

extern const lang_info kLangInfo[kLangCount];

// `lang` must be an index from UTL_lang_get_languages.
std::string UTL_lang_get_button(int lang);
std::string UTL_lang_get_folder(int lang);
// Replaces `out` with every language index, ascending.
void UTL_lang_get_languages(std::vector<int>& out);

// The language asked for by "--lang=CODE", else by the first of LC_ALL,
// LC_MESSAGES and LANG that is set (even when set to something unknown);
// -1 when neither names a language.
int UTL_get_default_language();
