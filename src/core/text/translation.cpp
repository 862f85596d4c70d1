// Translation tables and the lookups over them.
//
// A table is a text file with the common header (version 900, keyword
// "TRANSLATION") followed by lines
//
//   STRING Copying %1:file%...====Kopiere %1:file%...
//   GENITIVE files====файла
//
// The state is loaded once at start-up on the main thread and only read
// afterwards, except for the set of texts already reported as missing.
#include "core/text/translation.h"

#include <mutex>
#include <set>
#include <unordered_map>

#include "core/text/cmdline.h"
#include "core/text/languages.h"
#include "core/diag/log_stream.h"
#include "core/files/line_tokens.h"
#include "core/files/xmap.h"
#include "core/keyed_hash.h"

namespace {

// Keyed by what a table names, and a table may be a file on the disk.
std::unordered_map<std::string, std::string, keyed_hasher> dictionary[2];  // STRING, GENITIVE
std::set<std::string> logged;
std::mutex logged_lock;  // lookups may come from any thread
int has_translation = 0;
int log_missing = 0;
int plural_mode = 1;

void reset(int mode)
{
    dictionary[0].clear();
    dictionary[1].clear();
    {
        std::lock_guard<std::mutex> hold(logged_lock);
        logged.clear();
    }
    has_translation = 0;
    log_missing = 0;
    plural_mode = mode;
}

// "English====translation"; fewer than two characters of translation make
// no entry.
void add_entry(int which, const std::string& entry)
{
    size_t split = entry.find("====");
    if (split == std::string::npos || entry.size() - split - 4 < 2) return;
    std::string english = entry.substr(0, split);
    std::string translated = entry.substr(split + 4);
    str_unescape(english);
    str_unescape(translated);
    dictionary[which].emplace(std::move(english), std::move(translated));
}

void replace_all(std::string& s, const char* from, const char* to)
{
    const std::string f(from), t(to);
    for (size_t at = 0; (at = s.find(f, at)) != std::string::npos; at += t.size())
        s.replace(at, f.size(), t);
}

}  // namespace

// -- Tables ------------------------------------------------------------------

void str_unescape(std::string& s)
{
    replace_all(s, "\\r", "\r");
    replace_all(s, "\\n", "\n");
}

void UTL_translate_add_lines(xmap_class& table)
{
    while (!table.TXT_at_end()) {
        std::string keyword = table.TXT_token();
        int which = keyword == "STRING" ? 0 : keyword == "GENITIVE" ? 1 : -1;
        // Exactly one separator: further blanks belong to the English text.
        if (which >= 0 && !table.TXT_at_end() && is_blank(*table.pos)) {
            const char* text = ++table.pos;
            while (!table.TXT_at_end() && !is_line_end(*table.pos)) ++table.pos;
            add_entry(which, std::string(text, table.pos));
        }
        table.TXT_next_line();
    }
}

void UTL_translate_load_table(int lang, const std::string& path)
{
    reset(kLangInfo[lang].plural_mode);
    if (path.empty()) return;

    xmap_class table(path);
    static const int versions[] = {900, 0};
    if (table.check_file(10001, versions, "TRANSLATION", nullptr) != 900) return;
    UTL_translate_add_lines(table);

    // Under the Russian rule a genitive form is only reached through its
    // ordinary plural, so one without it is a translator's slip.
    if (plural_mode == 2)
        for (const auto& entry : dictionary[1])
            if (dictionary[0].count(entry.first) == 0)
                xer << "WARNING: language file line " << entry.first << "====" << entry.second
                    << " is provided in genitive but not plural case.\n\n";

    has_translation = 1;
    log_missing = cmdline.has_option("--missing_strings");
}

void UTL_translate_load(int lang)
{
    const char* table = kLangInfo[lang].table;
    UTL_translate_load_table(lang, table ? table : "");
}

void UTL_translate_clear() { reset(1); }

std::size_t UTL_translate_comparisons_to_find_each()
{
    return comparisons_to_find_each(dictionary[0]) + comparisons_to_find_each(dictionary[1]);
}

// -- Lookup ------------------------------------------------------------------

std::string UTL_translate_string(const std::string& english, int genitive)
{
    if (!has_translation) return english;
    const auto& dict = dictionary[genitive ? 1 : 0];
    auto found = dict.find(english);
    if (found != dict.end()) return found->second;

    if (log_missing) {
        std::lock_guard<std::mutex> hold(logged_lock);
        if (logged.insert(english).second) {
            // The line has the table's own form, so a translator can copy it.
            std::string escaped = english;
            replace_all(escaped, "\r", "\\r");
            replace_all(escaped, "\n", "\\n");
            xer << "STRING " << escaped << "====" << escaped << "\n";
        }
    }
    return english;
}

std::string UTL_translate_plural(int n, const std::string& singular, const std::string& plural)
{
    switch (plural_mode) {
    case 0:
        return UTL_translate_string(n <= 1 ? singular : plural, 0);
    case 2: {
        if (n == 1) return UTL_translate_string(singular, 0);
        int r10 = n % 10, r100 = n % 100;
        bool genitive = r10 >= 2 && r10 <= 4 && !(r100 >= 10 && r100 <= 20);
        if (genitive && dictionary[1].count(plural)) return UTL_translate_string(plural, 1);
        return UTL_translate_string(plural, 0);
    }
    default:
        return UTL_translate_string(n == 1 ? singular : plural, 0);
    }
}
