#include "skin/ProfileFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quabrel
