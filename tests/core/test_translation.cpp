#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/cmdline.h"
#include "core/diag/log_stream.h"
#include "core/text/translation.h"
#include "hostile_texts.h"
#include "test_support.h"

using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

// A table carried inside the test program, as the build carries the real
// ones.
asm(".section .rodata\n"
    ".global _binary_test_German_txt_start\n_binary_test_German_txt_start:\n"
    ".ascii \"A\\n900\\nTRANSLATION\\nSTRING Quit====Beenden\\n\"\n"
    ".global _binary_test_German_txt_end\n_binary_test_German_txt_end:\n"
    ".previous\n");

namespace {

const char* const kHeader = "I\n900 version\nTRANSLATION\n";

// A scratch table, the log and the command line for one test; English again
// afterwards.
class translation_fixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(xer.open(dir / "log.txt")); }
    void TearDown() override
    {
        UTL_translate_clear();
        cmdline = UTL_cmdline();
        xer.close();
    }

    void load(int lang, const std::string& body, const char* header = kHeader)
    {
        write_file(dir / "table.txt", header + body);
        UTL_translate_load_table(lang, dir / "table.txt");
    }
    void with_options(std::vector<const char*> args)
    {
        args.insert(args.begin(), "nimbrel");
        cmdline.init_unix(static_cast<int>(args.size()), args.data());
    }
    // The log without the command line's own lines.
    std::string log()
    {
        xer << std::flush;
        std::string all = read_file(dir / "log.txt"), kept;
        for (size_t at = 0, nl; at < all.size(); at = nl + 1) {
            nl = all.find('\n', at);
            if (nl == std::string::npos) nl = all.size();
            if (all.compare(at, 6, "     '") != 0) kept += all.substr(at, nl + 1 - at);
        }
        return kept;
    }

    scratch_dir dir;
};

std::string tr(const std::string& english) { return UTL_translate_string(english, 0); }

}  // namespace

using TranslationTable = translation_fixture;

TEST_F(TranslationTable, ReadsStringAndGenitiveLinesAndIgnoresEverythingElse)
{
    load(2,
         "# comment====ignored\n"
         "\n"
         "   STRING Next====Weiter\n"
         "STRING\tBack====Zur\xC3\xBC" "ck\n"
         "STRING  two blanks====zwei\n"
         "STRINGX Quit====nope\n"
         "OTHER Quit====nope\n"
         "STRING\n"
         "GENITIVE files====Dateien-gen\n"
         "STRING ====leer\n"
         "STRING a====b====c\n");
    EXPECT_EQ(tr("Next"), "Weiter") << "leading blanks are skipped";
    EXPECT_EQ(tr("Back"), "Zur\xC3\xBC" "ck") << "a tab separates too";
    EXPECT_EQ(tr(" two blanks"), "zwei") << "blanks after the one separator belong to the text";
    EXPECT_EQ(tr("Quit"), "Quit");
    EXPECT_EQ(UTL_translate_string("files", 1), "Dateien-gen");
    EXPECT_EQ(tr("files"), "files") << "genitive entries do not answer ordinary lookups";
    EXPECT_EQ(tr(""), "leer") << "an empty English text is allowed";
    EXPECT_EQ(tr("a"), "b====c") << "the first ==== splits";
}

TEST_F(TranslationTable, ShortTranslationsAreIgnoredAndTheFirstOfTwoEntriesWins)
{
    load(1, "STRING abc====x\nSTRING abd====xy\nSTRING twice====premier\nSTRING twice====second\n");
    EXPECT_EQ(tr("abc"), "abc") << "one character after ==== is not a translation";
    EXPECT_EQ(tr("abd"), "xy");
    EXPECT_EQ(tr("twice"), "premier");
}

// A table may be a file on the disk, which may name English texts chosen to
// share the library's hash: finding each still compares it with a few
// others, not with all.
TEST_F(TranslationTable, EntriesSpreadOverTheDictionaryWhateverTextsTheTableNames)
{
    constexpr std::size_t kEntries = 2000;
    const struct {
        const char* what;
        std::vector<std::string> texts;
    } rows[] = {
        {"ordinary texts", testing_support::ordinary_texts(kEntries, "text ", ".")},
        {"texts of one library string hash", testing_support::texts_of_one_library_hash(kEntries, "text ", ".")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string body;
        for (const std::string& text : row.texts) body += "STRING " + text + "====tr " + text + "\n";
        load(2, body);
        EXPECT_LE(UTL_translate_comparisons_to_find_each(), 3 * kEntries);
        for (std::string text : row.texts) {
            str_unescape(text);  // as the table's reading does
            ASSERT_EQ(tr(text), "tr " + text);
        }
    }
}

TEST_F(TranslationTable, UnescapesCarriageReturnAndLineFeedOnly)
{
    load(2, "STRING one\\ntwo====eins\\r\\nzwei\\tdrei\\\\x\n");
    EXPECT_EQ(tr("one\ntwo"), "eins\r\nzwei\\tdrei\\\\x");

    std::string s = "\\\\n\\q\\r";
    str_unescape(s);
    EXPECT_EQ(s, "\\\n\\q\r") << "a backslash cannot be escaped";
}

TEST_F(TranslationTable, AcceptsSignatureAndCrLfAndRefusesForeignHeaders)
{
    load(2, "STRING Next====Weiter\r\nSTRING Back====Zurueck\r\n",
         "\xEF\xBB\xBF" "A\r\n900\r\nTRANSLATION\r\n\r\n");
    EXPECT_EQ(tr("Next"), "Weiter");
    EXPECT_EQ(tr("Back"), "Zurueck");

    load(2, "STRING Next====Weiter\n", "I\n901 version\nTRANSLATION\n");
    EXPECT_EQ(tr("Next"), "Next") << "another version";
    load(2, "STRING Next====Weiter\n", "I\n900 version\nSERVERS\n");
    EXPECT_EQ(tr("Next"), "Next") << "another keyword";
    UTL_translate_load_table(2, dir / "missing.txt");
    EXPECT_EQ(tr("Next"), "Next");
}

TEST_F(TranslationTable, BuiltInTablesAreFoundAsResourcesAndMissingOnesLeaveEnglish)
{
    UTL_translate_load_table(2, "RESOURCE:test_German.txt");
    EXPECT_EQ(tr("Quit"), "Beenden");

    UTL_translate_load(4);  // no Italian table is carried
    EXPECT_EQ(tr("Quit"), "Quit");
    EXPECT_EQ(UTL_translate_plural(0, "file", "files"), "files") << "Italian's rule: 0 is plural";
}

TEST_F(TranslationTable, UnderRussianAGenitiveWithoutOrdinaryFormIsWarnedOnce)
{
    const std::string warning =
        "WARNING: language file line disks====diska is provided in genitive but not plural "
        "case.\n\n";
    load(3, "STRING files====fajly\nGENITIVE files====fajla\nGENITIVE disks====diska\n");
    EXPECT_EQ(log(), warning);

    load(1, "GENITIVE disks====diska\n");
    EXPECT_EQ(log(), warning) << "only Russian warns";
}

using MissingStrings = translation_fixture;

TEST_F(MissingStrings, AreLoggedOnceAsTableLinesUntilTheNextLoad)
{
    with_options({"--missing_strings"});
    load(2, "STRING Next====Weiter\n");
    EXPECT_EQ(tr("Gone"), "Gone");
    EXPECT_EQ(tr("Gone"), "Gone");
    EXPECT_EQ(UTL_translate_string("Gone", 1), "Gone");
    EXPECT_EQ(tr("two\nlines\r"), "two\nlines\r");
    EXPECT_EQ(tr("Next"), "Weiter");
    EXPECT_EQ(log(), "STRING Gone====Gone\nSTRING two\\nlines\\r====two\\nlines\\r\n");

    load(2, "STRING Next====Weiter\n");
    tr("Gone");
    EXPECT_EQ(log(), "STRING Gone====Gone\nSTRING two\\nlines\\r====two\\nlines\\r\n"
                     "STRING Gone====Gone\n");
}

TEST_F(MissingStrings, AreNotLoggedWithoutTheOptionOrWithoutATable)
{
    load(2, "STRING Next====Weiter\n");
    tr("Gone");
    with_options({"--missing_strings"});
    UTL_translate_clear();
    tr("Gone");
    EXPECT_EQ(log(), "");
}

using Plurals = translation_fixture;

TEST_F(Plurals, FrenchTreatsZeroAndOneAsSingular)
{
    load(1, "STRING file====fichier\nSTRING files====fichiers\n");
    EXPECT_EQ(UTL_translate_plural(0, "file", "files"), "fichier");
    EXPECT_EQ(UTL_translate_plural(1, "file", "files"), "fichier");
    EXPECT_EQ(UTL_translate_plural(-3, "file", "files"), "fichier");
    EXPECT_EQ(UTL_translate_plural(2, "file", "files"), "fichiers");
}

TEST_F(Plurals, GermanAndEnglishTreatZeroAsPlural)
{
    load(2, "STRING file====Datei\nSTRING files====Dateien\n");
    EXPECT_EQ(UTL_translate_plural(0, "file", "files"), "Dateien");
    EXPECT_EQ(UTL_translate_plural(1, "file", "files"), "Datei");
    UTL_translate_clear();
    EXPECT_EQ(UTL_translate_plural(0, "file", "files"), "files");
    EXPECT_EQ(UTL_translate_plural(1, "file", "files"), "file");
}

TEST_F(Plurals, RussianUsesTheGenitiveForTwoToFourOutsideTheTeens)
{
    load(3, "STRING file====fajl\nSTRING files====fajlov\nGENITIVE files====fajla\n");
    EXPECT_EQ(UTL_translate_plural(1, "file", "files"), "fajl");
    for (int n : {2, 3, 4, 22, 23, 104})
        EXPECT_EQ(UTL_translate_plural(n, "file", "files"), "fajla") << "count " << n;
    for (int n : {0, 5, 11, 12, 13, 14, 21, 111, 112})
        EXPECT_EQ(UTL_translate_plural(n, "file", "files"), "fajlov") << "count " << n;
    EXPECT_EQ(UTL_translate_plural(-2, "file", "files"), "fajlov") << "negative remainders";

    EXPECT_EQ(UTL_translate_plural(2, "disk", "disks"), "disks")
        << "no genitive entry: the ordinary plural, here untranslated";
}
