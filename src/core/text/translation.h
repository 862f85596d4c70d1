// Translation of the texts shown to the user.
//
// Every text is written in English in the code and translated just before
// it is shown; values go in afterwards through numbered placeholders
// ("%1:file%"), so a translator may reorder them:
//
//   UTL_string_sub(UTL_translate_string("Copying %1:file%...", 0), name)
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/files/xmap.h"

// -- Tables ------------------------------------------------------------------

// Loads the built-in table of `lang` (1 to 5).  A language without a table,
// or a table whose header is not accepted, leaves every text in English
// under that language's plural rule.
void UTL_translate_load(int lang);
// The same from the table at `path` ("RESOURCE:..." or a file).
void UTL_translate_load_table(int lang, const std::string& path);
// Back to English.
void UTL_translate_clear();
// How many entries finding each entry of the dictionaries once compares:
// the measure of their cost, for tests.  About 1.5 an entry, whatever the
// English texts a table names.
std::size_t UTL_translate_comparisons_to_find_each();

// Adds the entries of the table lines from the read position of `table`
// (after the header) to the dictionaries; the first entry for an English
// text wins.
void UTL_translate_add_lines(xmap_class& table);

// "\r" and "\n" (backslash and letter) become CR and LF; no other escapes.
void str_unescape(std::string& s);

// -- Lookup ------------------------------------------------------------------

// Marks an English text kept in a table and translated later, where it is
// shown: the check of the built-in tables finds every text in the sources
// through this mark or a direct call below, so none can be left out.
#define UTL_TEXT(english) english

// The translation of `english` from the ordinary (0) or genitive (1)
// dictionary; `english` itself when there is none.  With
// "--missing_strings" a missing text is logged once, as a table line.
std::string UTL_translate_string(const std::string& english, int genitive);

// The form for `n` things under the language's plural rule.
std::string UTL_translate_plural(int n, const std::string& singular, const std::string& plural);

// -- Placeholders -------------------------------------------------------------

// `text` with every placeholder numbered 1 to `count` replaced by *args[N-1].
// Inserted text is never scanned again; other placeholders stay as written.
std::string UTL_string_sub_x(const std::string& text, int count, const std::string** args);
std::string UTL_string_sub(const std::string& text, const std::string& a1);
std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2);
std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2,
                           const std::string& a3);
std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2,
                           const std::string& a3, const std::string& a4);
std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2,
                           const std::string& a3, const std::string& a4, const std::string& a5);
std::string UTL_string_sub(const std::string& text, const std::string& a1, const std::string& a2,
                           const std::string& a3, const std::string& a4, const std::string& a5,
                           const std::string& a6);

// Appends the number of every placeholder in `text`, in order, repeats too.
void UTL_string_check(const std::string& text, std::vector<int>& numbers);
