#include "skin/ProfileFile.h"
#include "support/Fifo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace quabrel {
namespace {

ProfileFile Parsed(std::string_view text) {
    ProfileFile file;
    file.Parse(text);
    return file;
}

TEST(ProfileFile, NamesMatchIgnoringCaseAndValuesAreTrimmed) {
    const auto file = Parsed("[General]\r\n  Type =  PNG \r\nBACKGROUND=bg.png\n[close]\nnormal=\tn.png\t\n");
    EXPECT_EQ(file.GetString("general", "TYPE"), "PNG");
    EXPECT_EQ(file.GetString("GENERAL", "background"), "bg.png");
    EXPECT_EQ(file.GetString("Close", "Normal"), "n.png");
}

TEST(ProfileFile, MissingSectionOrKeyGivesTheDefault) {
    const auto file = Parsed("[General]\nTotal=3\n");
    EXPECT_EQ(file.GetString("General", "Current"), "");
    EXPECT_EQ(file.GetString("Other", "Total", "fallback"), "fallback");
    EXPECT_EQ(file.GetInt("General", "Missing"), 0);
    EXPECT_EQ(file.GetInt("General", "Missing", 7), 7);
    EXPECT_EQ(file.GetInt("General", "Total", 7), 3);
}

TEST(ProfileFile, FirstDuplicateWinsAndLaterSectionOfTheSameNameIsNotSearched) {
    const auto file = Parsed("[A]\nk=first\nk=second\n[B]\nx=1\n[a]\nk=third\nonly=later\n");
    EXPECT_EQ(file.GetString("A", "k"), "first");
    EXPECT_EQ(file.GetString("A", "only"), "");
}

TEST(ProfileFile, CommentsQuotesAndOddLines) {
    const auto file = Parsed(
        "; leading comment\n"
        "stray=before any section\n"
        "[S]\n"
        "  ; indented comment=1\n"
        "double=\"quoted value\"\n"
        "single=' spaced '\n"
        "mismatched=\"half'\n"
        "inner=a \"b\" c\n"
        "no equals sign here\n"
        "empty=\n"
        "eq=a=b\n");
    EXPECT_EQ(file.GetString("S", "; indented comment"), "");
    EXPECT_EQ(file.GetString("S", "double"), "quoted value");
    EXPECT_EQ(file.GetString("S", "single"), " spaced ");
    EXPECT_EQ(file.GetString("S", "mismatched"), "\"half'");
    EXPECT_EQ(file.GetString("S", "inner"), "a \"b\" c");
    EXPECT_EQ(file.GetString("S", "empty"), "");
    EXPECT_EQ(file.GetString("S", "eq"), "a=b");
    EXPECT_EQ(file.GetString("", "stray"), "");
}

TEST(ProfileFile, ValuesAreCutTo1023Characters) {
    const std::string longValue(5000, 'x');
    const auto file = Parsed("[S]\nk=" + longValue + "\n");
    EXPECT_EQ(file.GetString("S", "k"), std::string(1023, 'x'));
}

TEST(ProfileFile, NumbersAreReadAsAtoiReadsThem) {
    EXPECT_EQ(AtoI(""), 0);
    EXPECT_EQ(AtoI("abc"), 0);
    EXPECT_EQ(AtoI("  42"), 42);
    EXPECT_EQ(AtoI("-1"), -1);
    EXPECT_EQ(AtoI("+7x"), 7);
    EXPECT_EQ(AtoI("2abc"), 2);
    EXPECT_EQ(AtoI("- 3"), 0);
    EXPECT_EQ(AtoI("300"), 300);
    EXPECT_EQ(AtoI("4294967297"), 1);  // past 32 bits: the low 32 bits, never a crash
    const auto file = Parsed("[General]\nRed= 300 \nBlue=12px\n");
    EXPECT_EQ(file.GetInt("General", "Red"), 300);
    EXPECT_EQ(file.GetInt("General", "Blue"), 12);
}

TEST(ProfileFile, FilesAreFoundIgnoringCaseAndMissingFilesGiveDefaults) {
    testing::TempDir dir;
    dir.Write("Skins/Blue/Skin.INI", "\xEF\xBB\xBF[General]\nType=bmp\n");
    EXPECT_EQ(ReadProfileString("General", "Type", dir.Path("skins/blue/skin.ini")), "bmp");
    EXPECT_EQ(ReadProfileString("General", "Type", dir.Path("nowhere.ini")), "");
    EXPECT_EQ(ReadProfileInt("General", "Total", 5, dir.Path("nowhere.ini")), 5);
    ProfileFile missing;
    EXPECT_FALSE(missing.Load(dir.Path("nowhere.ini")));
    EXPECT_FALSE(missing.Load(dir.Path()));  // a folder is not a file
}

TEST(ProfileFile, LongFilesAreReadWholeUpToTheLimitAndNoFurther) {
    testing::TempDir dir;
    // Keys on both sides of every read boundary a reader might use, and one
    // section past the limit.
    std::string text = "[Start]\nk=1\n[Pad]\n";
    while (text.size() < 40000) text += "; padding to push the next section past any small buffer\n";
    text += "[Middle]\nk=2\n";
    while (text.size() < ProfileFile::kMaxFileSize - 20) text += "; more padding up to the limit of the reader\n";
    text.resize(ProfileFile::kMaxFileSize - 20, ';');
    text += "\n[Edge]\nk=3\n";  // crosses the limit: its key falls outside
    text += "[Beyond]\nk=4\n";
    const std::string path = dir.Write("long.ini", text);
    ProfileFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.GetString("Start", "k"), "1");
    EXPECT_EQ(file.GetString("Middle", "k"), "2");
    EXPECT_EQ(file.GetString("Beyond", "k"), "") << "past the limit is never read";
}

TEST(ProfileFile, AnUnclosedBracketOpensNoSectionAndIsIgnoredLikeOtherOddLines) {
    const auto file = Parsed("[A]\nk=1\n[B\nm=2\n[C=3\n[D]\nn=4\n");
    EXPECT_EQ(file.GetString("A", "m"), "2") << "keys after the odd line stay in the section above";
    EXPECT_EQ(file.GetString("A", "[C"), "") << "the odd line is no key either";
    EXPECT_EQ(file.GetString("B", "m"), "");
    EXPECT_EQ(file.GetString("D", "n"), "4");
    EXPECT_EQ(file.SectionNames(), (std::vector<std::string>{"A", "D"}));
}

// Code units (not characters, so a test can write lone surrogates) as UTF-16
// bytes after the byte-order mark.
std::string Utf16(std::u16string_view units, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : units) {
        const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

// The lines, each ended by the next of `ends` in turn. The compiler encodes
// the literals, as UTF-8 or UTF-16, surrogate pairs included.
template <class Char>
std::basic_string<Char> Joined(const std::vector<std::basic_string<Char>>& lines, std::vector<std::string_view> ends) {
    std::basic_string<Char> text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        for (const char c : ends[i % ends.size()]) text += static_cast<Char>(c);
    }
    return text;
}

TEST(ProfileFile, WindowsEncodingsAndLineEndsAllReadTheSame) {
    // The same lines twice, for the two encodings.
    const std::vector<std::string> lines8 = {
        "; saved by a Windows editor", "[General]", "Type=bmp", "Background=bakgrund blå.bmp",
        "[Close",  // never closed: its keys stay in General
        "Normal=knapp 😀.bmp", "[Help]", "Normal=help.bmp", "Over=help_o.bmp"};
    const std::vector<std::u16string> lines16 = {
        u"; saved by a Windows editor", u"[General]", u"Type=bmp", u"Background=bakgrund blå.bmp",
        u"[Close",
        u"Normal=knapp 😀.bmp", u"[Help]", u"Normal=help.bmp", u"Over=help_o.bmp"};
    const std::vector<std::string_view> lf = {"\n"}, crlf = {"\r\n"}, cr = {"\r"}, mixed = {"\r\n", "\r", "\n"};
    const std::string cr8 = Joined(lines8, cr);
    const struct {
        const char* name;
        std::string bytes;
    } variants[] = {
        {"utf8-lf", Joined(lines8, lf)},
        {"utf8-crlf", Joined(lines8, crlf)},
        {"utf8-cr", cr8},
        {"utf8-mixed", Joined(lines8, mixed)},
        {"utf8-bom-crlf", "\xEF\xBB\xBF" + Joined(lines8, crlf)},
        {"utf8-bom-cr-no-final-end", "\xEF\xBB\xBF" + cr8.substr(0, cr8.size() - 1)},
        {"utf16le-crlf", Utf16(Joined(lines16, crlf), false)},
        {"utf16le-cr", Utf16(Joined(lines16, cr), false)},
        {"utf16le-mixed", Utf16(Joined(lines16, mixed), false)},
        {"utf16be-crlf", Utf16(Joined(lines16, crlf), true)},
        {"utf16be-lf", Utf16(Joined(lines16, lf), true)},
    };
    testing::TempDir dir;
    for (const auto& v : variants) {
        ProfileFile file;
        ASSERT_TRUE(file.Load(dir.Write(std::string(v.name) + ".ini", v.bytes))) << v.name;
        EXPECT_EQ(file.SectionNames(), (std::vector<std::string>{"General", "Help"})) << v.name;
        EXPECT_EQ(file.GetString("General", "Type"), "bmp") << v.name;
        EXPECT_EQ(file.GetString("General", "Background"), "bakgrund bl\xC3\xA5.bmp") << v.name;
        EXPECT_EQ(file.GetString("General", "Normal"), "knapp \xF0\x9F\x98\x80.bmp") << v.name;
        EXPECT_EQ(file.GetString("Help", "Normal"), "help.bmp") << v.name;
        EXPECT_EQ(file.GetString("Help", "Over"), "help_o.bmp") << v.name;
    }
}

TEST(ProfileFile, BrokenUtf16IsReplacedNotTrustedAndNeverCrashes) {
    const std::string replacement = "\xEF\xBF\xBD";
    // Lone halves of surrogate pairs, a high half followed by a plain
    // character, one at the very end, and an odd byte left over.
    const std::u16string units = u"[S]\r\nlow=a\xDC00" u"b\r\nhigh=\xD800" u"c\r\nend=z\xD83D";
    for (const bool bigEndian : {false, true}) {
        const auto file = Parsed(Utf16(units, bigEndian) + "\x41");
        EXPECT_EQ(file.GetString("S", "low"), "a" + replacement + "b") << bigEndian;
        EXPECT_EQ(file.GetString("S", "high"), replacement + "c") << bigEndian;
        EXPECT_EQ(file.GetString("S", "end"), "z" + replacement + replacement) << bigEndian;
    }
    using namespace std::string_literals;
    for (const std::string& bytes : {"\xFF\xFE"s, "\xFE\xFF"s, "\xFF\xFE\x00"s, "\xFE\xFF\xD8"s})
        EXPECT_TRUE(Parsed(bytes).SectionNames().empty());
}

TEST(ProfileFile, NamedPipesAndFoldersAreRefusedAtOnce) {
    testing::TempDir dir;
    const std::string fifo = dir.Path("Skin.ini");
    ASSERT_TRUE(testing::MakeFifo(fifo));
    std::filesystem::create_directory(dir.Path("folder.ini"));
    // As named, through the lookup that ignores case, behind a folder name,
    // and a folder where a file was expected.
    for (const std::string& path : {fifo, dir.Path("skin.INI"), fifo + "/inner.ini", dir.Path("folder.ini")}) {
        ProfileFile file;
        bool loaded = true;
        EXPECT_TRUE(testing::ReturnsPromptly(fifo, [&] { loaded = file.Load(path); })) << path;
        EXPECT_FALSE(loaded) << path;
        std::string value = "unset";
        EXPECT_TRUE(testing::ReturnsPromptly(fifo, [&] { value = ReadProfileString("General", "Type", path); }));
        EXPECT_EQ(value, "") << path;
    }
}

}  // namespace
}  // namespace quabrel
