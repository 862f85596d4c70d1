// The built-in French, German and Russian tables against the texts the
// program actually shows.  The texts are read from the sources when the test
// runs (every literal handed to the translation calls or marked UTL_TEXT),
// so a text added tomorrow fails here until all three tables carry it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/maker_site.h"
#include "core/files/resources.h"
#include "core/text/languages.h"
#include "wizard/button_bar.h"

namespace {

namespace fs = std::filesystem;

// -- Texts in the sources ---

struct token {
    enum kind_t { word, text, punct } kind;
    std::string value;
};

// C++ tokens enough for the job: comments dropped (they quote calls as
// examples), literals unescaped, everything else a word or one character.
std::vector<token> tokenize(const std::string& src)
{
    std::vector<token> out;
    for (size_t i = 0; i < src.size();) {
        const char c = src[i];
        if (src.compare(i, 2, "//") == 0) {
            i = src.find('\n', i);
            if (i == std::string::npos) break;
        } else if (src.compare(i, 2, "/*") == 0) {
            i = src.find("*/", i + 2);
            if (i == std::string::npos) break;
            i += 2;
        } else if (c == '"' || c == '\'') {
            std::string value;
            for (++i; i < src.size() && src[i] != c; ++i) {
                if (src[i] != '\\' || i + 1 >= src.size()) {
                    value += src[i];
                    continue;
                }
                const char e = src[++i];
                value += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            }
            ++i;
            if (c == '"') out.push_back({token::text, value});
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            size_t end = i;
            while (end < src.size() && (std::isalnum(static_cast<unsigned char>(src[end])) || src[end] == '_'))
                ++end;
            out.push_back({token::word, src.substr(i, end - i)});
            i = end;
        } else {
            if (!std::isspace(static_cast<unsigned char>(c))) out.push_back({token::punct, std::string(1, c)});
            ++i;
        }
    }
    return out;
}

// The macros that stand inside translated literals.
const std::map<std::string, std::string> kTextMacros = {
    {"NIMBREL_MAKER_HOST", NIMBREL_MAKER_HOST},
    {"NIMBREL_MAKER_SUPPORT_EMAIL", NIMBREL_MAKER_SUPPORT_EMAIL},
};

struct program_texts {
    std::set<std::string> all;
    std::set<std::string> plurals;             // counted: Russian needs a genitive
    std::map<std::string, std::string> where;  // the first file that shows it
};

// Each run of adjacent literals inside the argument list of a translating
// call is one text; for a plural call the last run is the plural form.
void collect(const std::vector<token>& tokens, const std::string& file, program_texts& texts)
{
    static const std::set<std::string> calls = {"tr", "UTL_translate_string", "UTL_translate_plural",
                                                "counted", "UTL_TEXT"};
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].kind != token::word || !calls.count(tokens[i].value) || tokens[i + 1].value != "(")
            continue;
        std::vector<std::string> runs;
        bool in_run = false;
        int depth = 0;
        for (size_t k = i + 1; k < tokens.size(); ++k) {
            const token& t = tokens[k];
            const bool part = t.kind == token::text || (t.kind == token::word && kTextMacros.count(t.value));
            if (part) {
                const std::string piece = t.kind == token::text ? t.value : kTextMacros.at(t.value);
                if (in_run)
                    runs.back() += piece;
                else
                    runs.push_back(piece);
            }
            in_run = part;
            if (t.value == "(") ++depth;
            if (t.value == ")" && --depth == 0) break;
        }
        for (const std::string& run : runs) {
            texts.all.insert(run);
            texts.where.emplace(run, file);
        }
        const bool plural = tokens[i].value == "UTL_translate_plural" || tokens[i].value == "counted";
        if (plural && runs.size() == 2) texts.plurals.insert(runs.back());
    }
}

const program_texts& texts_in_sources()
{
    static const program_texts texts = [] {
        program_texts t;
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(NIMBREL_SOURCE_DIR) / "src")) {
            const std::string ext = entry.path().extension();
            if (ext != ".cpp" && ext != ".h") continue;
            std::ifstream in(entry.path());
            std::stringstream body;
            body << in.rdbuf();
            collect(tokenize(body.str()), entry.path().lexically_relative(NIMBREL_SOURCE_DIR), t);
        }
        return t;
    }();
    return texts;
}

// -- The built-in tables ---

struct table {
    std::map<std::string, std::string> strings, genitives;
};

std::string unescape(std::string s)
{
    for (const char* from : {"\\n", "\\r"}) {
        const char to = from[1] == 'n' ? '\n' : '\r';
        for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; ++at) s.replace(at, 2, 1, to);
    }
    return s;
}

table builtin_table(const char* name)
{
    int size = 0;
    const char* data = UTL_resource_get_memory(name, size);
    table t;
    if (!data) return t;
    std::istringstream lines(std::string(data, size));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t split = line.find("====");
        if (split == std::string::npos) continue;
        auto& dict = line.rfind("STRING ", 0) == 0 ? t.strings : t.genitives;
        const size_t start = line.find(' ') + 1;
        dict.emplace(unescape(line.substr(start, split - start)), unescape(line.substr(split + 4)));
    }
    return t;
}

std::vector<std::string> placeholders(const std::string& text)
{
    std::vector<std::string> found;
    for (size_t at = 0; (at = text.find('%', at)) != std::string::npos;) {
        size_t digits = at + 1;
        while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
        const size_t close = text.find('%', digits);
        if (digits > at + 1 && digits < text.size() && text[digits] == ':' && close != std::string::npos) {
            found.push_back(text.substr(at, close + 1 - at));
            at = close + 1;
        } else {
            ++at;
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Joined to the next piece of text by the code, so it must end as it does.
std::string trailing_blanks(const std::string& s)
{
    const size_t last = s.find_last_not_of(" \n");
    return last == std::string::npos ? s : s.substr(last + 1);
}

// The widgets read "|" (wrap) and "-" (no frame) off the front of a label.
std::string label_prefix(const std::string& s) { return s.substr(0, s.find_first_not_of("|-")); }

std::string table_line(const char* keyword, const std::string& english)
{
    std::string escaped = english;
    for (size_t at = 0; (at = escaped.find('\n', at)) != std::string::npos; at += 2) escaped.replace(at, 1, "\\n");
    return std::string(keyword) + " " + escaped + "====";
}

class BuiltInTable : public ::testing::TestWithParam<const char*> {};

TEST(ProgramTexts, AreFoundInTheSourcesThroughCallsMarksAndMacros)
{
    const program_texts& texts = texts_in_sources();
    for (const char* expected : {"Understood", "BE ADVISED", "Open", "Welcome", "KEEP THE OLD FILE",
                                 "I am contacting " NIMBREL_MAKER_HOST " to find a demo server.",
                                 "Cancel"})
        EXPECT_TRUE(texts.all.count(expected)) << "not found: " << expected;
    EXPECT_TRUE(texts.plurals.count("%1:hours% hours"));
    EXPECT_FALSE(texts.all.count("Copying %1:file%...")) << "a comment's example was taken for a text";
    EXPECT_FALSE(texts.all.count("")) << texts.where.at("");
}

TEST_P(BuiltInTable, TranslatesEveryTextTheProgramShows)
{
    const table t = builtin_table(GetParam());
    ASSERT_FALSE(t.strings.empty()) << GetParam() << " is not carried as a resource";
    for (const std::string& english : texts_in_sources().all)
        EXPECT_TRUE(t.strings.count(english)) << "missing in " << GetParam() << " (shown by "
                                              << texts_in_sources().where.at(english) << "):\n"
                                              << table_line("STRING", english);
}

TEST_P(BuiltInTable, HoldsNoTextTheProgramNoLongerShows)
{
    const table t = builtin_table(GetParam());
    for (const auto* dict : {&t.strings, &t.genitives})
        for (const auto& entry : *dict)
            EXPECT_TRUE(texts_in_sources().all.count(entry.first))
                << GetParam() << " translates a text nothing shows: " << table_line("STRING", entry.first);
}

TEST_P(BuiltInTable, KeepsPlaceholdersLabelPrefixesAndTrailingBreaks)
{
    const table t = builtin_table(GetParam());
    for (const auto* dict : {&t.strings, &t.genitives})
        for (const auto& [english, translated] : *dict) {
            EXPECT_EQ(placeholders(translated), placeholders(english)) << GetParam() << ": " << translated;
            EXPECT_EQ(label_prefix(translated), label_prefix(english)) << GetParam() << ": " << translated;
            EXPECT_EQ(trailing_blanks(translated), trailing_blanks(english)) << GetParam() << ": " << translated;
            EXPECT_GE(translated.size(), 2u) << GetParam() << ": shorter entries are ignored when loaded";
        }
}

// Lower case for the letters the tables use: ASCII, Latin-1 and Cyrillic.
std::string lower(std::string s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        auto& c = reinterpret_cast<unsigned char&>(s[i]);
        if (c < 0x80) {
            c = static_cast<unsigned char>(std::tolower(c));
            continue;
        }
        if (i + 1 == s.size()) break;
        auto& d = reinterpret_cast<unsigned char&>(s[++i]);
        if (c == 0xC3 && d >= 0x80 && d <= 0x9E && d != 0x97) d += 0x20;  // À..Þ
        else if (c == 0xD0 && d >= 0x90 && d <= 0x9F) d += 0x20;          // А..П
        else if (c == 0xD0 && d >= 0xA0 && d <= 0xAF) c = 0xD1, d -= 0x20;  // Р..Я
        else if (c == 0xD0 && d >= 0x80 && d <= 0x8F) c = 0xD1, d += 0x10;  // Ѐ..Џ
    }
    return s;
}

// A text that has the user click a button of the wizard's bar names it with
// the words that button shows in that language's skin.
TEST_P(BuiltInTable, NamesTheBarsButtonsAsTheBarShowsThem)
{
    const std::string name = GetParam();
    int language = 1;
    while (language < sheet_layout::language_count && UTL_lang_get_folder(language) != name.substr(0, name.find('.')) + "/")
        ++language;
    ASSERT_LT(language, sheet_layout::language_count);
    const table t = builtin_table(GetParam());
    int named = 0;
    for (const auto& [english, translated] : t.strings)
        for (int caption : {cap_quit, cap_go_back, cap_continue, cap_buy_online, cap_options}) {
            if (lower(english).find("click " + lower(sheet_layout::skin_captions[0][caption])) == std::string::npos)
                continue;
            ++named;
            EXPECT_NE(lower(translated).find(lower(sheet_layout::skin_captions[language][caption])), std::string::npos)
                << GetParam() << " names no " << sheet_layout::skin_captions[language][caption] << ": " << translated;
        }
    EXPECT_GE(named, 6) << "the texts that name CONTINUE and GO BACK were not found";
}

INSTANTIATE_TEST_SUITE_P(Languages, BuiltInTable, ::testing::Values("French.txt", "German.txt", "Russian.txt"),
                         [](const auto& info) { const std::string name = info.param; return name.substr(0, name.find('.')); });

TEST(RussianTable, GivesEveryCountedTextItsGenitiveForTwoToFour)
{
    const table t = builtin_table("Russian.txt");
    for (const std::string& plural : texts_in_sources().plurals)
        EXPECT_TRUE(t.genitives.count(plural)) << "missing: " << table_line("GENITIVE", plural);
}

}  // namespace
