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

// Reference encoders for the test files, written from the encodings'
// definitions.
std::string Utf8(std::u32string_view text) {
    std::string out;
    for (const char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
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

std::u16string Units(std::u32string_view text) {
    std::u16string out;
    for (const char32_t c : text) {
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

TEST(ProfileFile, WindowsEncodingsAndLineEndsAllReadTheSame) {
    const std::vector<std::u32string> lines = {
        U"; saved by a Windows editor", U"[General]", U"Type=bmp", U"Background=bakgrund blå.bmp",
        U"[Close",  // never closed: its keys stay in General
        U"Normal=knapp 😀.bmp", U"[Help]", U"Normal=help.bmp", U"Over=help_o.bmp"};
    const auto joined = [&](const std::vector<std::u32string_view>& ends) {
        std::u32string text;
        for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + std::u32string(ends[i % ends.size()]);
        return text;
    };
    const std::u32string lf = joined({U"\n"}), crlf = joined({U"\r\n"}), cr = joined({U"\r"}),
                         mixed = joined({U"\r\n", U"\r", U"\n"});
    const struct {
        const char* name;
        std::string bytes;
    } variants[] = {
        {"utf8-lf", Utf8(lf)},
        {"utf8-crlf", Utf8(crlf)},
        {"utf8-cr", Utf8(cr)},
        {"utf8-mixed", Utf8(mixed)},
        {"utf8-bom-crlf", "\xEF\xBB\xBF" + Utf8(crlf)},
        {"utf8-bom-cr-no-final-end", "\xEF\xBB\xBF" + Utf8(cr.substr(0, cr.size() - 1))},
        {"utf16le-crlf", Utf16(Units(crlf), false)},
        {"utf16le-cr", Utf16(Units(cr), false)},
        {"utf16le-mixed", Utf16(Units(mixed), false)},
        {"utf16be-crlf", Utf16(Units(crlf), true)},
        {"utf16be-lf", Utf16(Units(lf), true)},
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
