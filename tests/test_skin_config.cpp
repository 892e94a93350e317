#include "platform/FilePaths.h"
#include "skin/ProfileFile.h"
#include "skin/SkinConfig.h"
#include "support/Fifo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace quabrel {
namespace {

CSkinConfig LoadList(const std::string& text) {
    testing::TempDir dir;
    const std::string path = dir.Write("skin.cfg", text);
    CSkinConfig config;
    EXPECT_TRUE(config.Load(path));
    return config;
}

std::string Entry(int i, const std::string& name, const std::string& dir, const std::string& ini) {
    return "[case" + std::to_string(i) + "]\nName=" + name + "\nDirectory=" + dir + "\niniFile=" + ini + "\n";
}

TEST(SkinList, EntriesMissingAFieldAreSkippedAndLaterOnesMoveDown) {
    const auto config = LoadList("[General]\nTotal=3\nCurrent=1\n" + Entry(0, "Zero", "zero", "z.ini") +
                                 "[case1]\nName=One\nDirectory=one\n" + Entry(2, "Two", "two", "t.ini") +
                                 Entry(3, "Three", "three", "three.ini"));
    ASSERT_EQ(config.GetSize(), 2);
    EXPECT_EQ(config.m_nTotal, 3);
    EXPECT_EQ(config[0].m_strName, "Zero");
    EXPECT_EQ(config[1].m_strName, "Two");
    EXPECT_EQ(config[1].m_strDirectory, "two");
    EXPECT_EQ(config[1].m_strIniFile, "t.ini");
    EXPECT_EQ(config.StartupSkinNumber(), 32);  // "Current" 1 is the entry of case2
}

TEST(SkinList, TotalMissingZeroOrNegativeReadsNoEntries) {
    for (const std::string total : {"", "Total=0\n", "Total=-4\n", "Total=abc\n"}) {
        const auto config = LoadList("[General]\n" + total + Entry(0, "Zero", "zero", "z.ini"));
        EXPECT_EQ(config.GetSize(), 0) << total;
    }
}

TEST(SkinList, MissingFileGivesAnEmptyList) {
    CSkinConfig config;
    EXPECT_TRUE(config.Load("/nonexistent/skin/skin.cfg"));
    EXPECT_EQ(config.GetSize(), 0);
    EXPECT_EQ(config.m_nTotal, 0);
    EXPECT_EQ(config.m_strCurrent, "");
    EXPECT_EQ(config.StartupSkinNumber(), kFirstSkinNumber);
}

TEST(SkinList, StartupNumberReadsCurrentAsADecimalNumber) {
    const std::pair<std::string, int> cases[] = {
        {"", 31}, {"abc", 31}, {"2abc", 33}, {"-1", kBuiltInSkinNumber}, {"-5", 26}, {" 4", 35},
        {"2147483647", -1},
    };
    for (const auto& [current, number] : cases) {
        const auto config = LoadList("[General]\nTotal=1\nCurrent=" + current + "\n");
        EXPECT_EQ(config.StartupSkinNumber(), number) << current;
    }
}

TEST(SkinList, HugeTotalEndsQuickly) {
    const auto start = std::chrono::steady_clock::now();
    const auto config = LoadList("[General]\nTotal=2147483647\n" + Entry(0, "Zero", "zero", "z.ini") +
                                 Entry(7, "Seven", "seven", "s.ini") + "[case007]\nName=x\n[casex]\n");
    EXPECT_EQ(config.GetSize(), 2);
    // Not a speed goal: a hang here would never end.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(SkinList, LoadingCostsWhatTheFileHoldsNotWhatItClaims) {
    // A "Total" near the top of the range with one entry far out, and a list
    // of many entries: neither may cost more than reading what is written.
    const std::string farOut = "[General]\nTotal=2147483647\n" + Entry(2000000000, "Far", "far", "far.ini");
    std::string many = "[General]\nTotal=2147483647\n";
    for (int i = 0; i < 20000; ++i) many += Entry(i, "n", "d", "i");  // well under the read limit

    const auto start = std::chrono::steady_clock::now();
    const auto far = LoadList(farOut);
    const auto crowded = LoadList(many);
    // Not a speed goal: a walk over the two billion sections that are not
    // there takes hours; reading what is there takes well under a second
    // optimised, a few seconds in the slowest sanitizer build.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

    ASSERT_EQ(far.GetSize(), 1);
    EXPECT_EQ(far[0].m_strName, "Far");
    EXPECT_EQ(far[0].m_strIniFile, "far.ini");
    EXPECT_EQ(crowded.GetSize(), 20000);
}

TEST(SkinList, EntriesAreTakenInSectionNumberOrderWhateverTheFileOrder) {
    const auto config = LoadList("[General]\nTotal=5\n" + Entry(3, "Three", "three", "3.ini") +
                                 Entry(1, "One", "one", "1.ini") + "[CASE0]\nName=Zero\nDirectory=zero\niniFile=0.ini\n" +
                                 Entry(5, "Five", "five", "5.ini") +            // at Total: never read
                                 "[case02]\nName=x\nDirectory=x\niniFile=x\n" +  // not how 2 is written
                                 "[case 4]\nName=x\nDirectory=x\niniFile=x\n" + "[case-1]\nName=x\n" +
                                 Entry(1, "Again", "again", "a.ini") +  // a later duplicate is not searched
                                 "[case2]\nName=Two\nDirectory=two\n");        // no iniFile: skipped
    std::vector<std::string> names;
    for (const CSkinConfigItem& item : config.Items()) names.push_back(item.m_strName);
    EXPECT_EQ(names, (std::vector<std::string>{"Zero", "One", "Three"}));
    EXPECT_EQ(config[1].m_strDirectory, "one");
}

TEST(SkinList, ANamedPipeOrAFolderAsTheListIsRefusedAtOnce) {
    testing::TempDir dir;
    const std::string fifo = dir.Path("skin.cfg");
    ASSERT_TRUE(testing::MakeFifo(fifo));
    for (const std::string& path : {fifo, dir.Path("SKIN.CFG"), dir.Path()}) {
        CSkinConfig config;
        EXPECT_TRUE(testing::ReturnsPromptly(fifo, [&] { EXPECT_TRUE(config.Load(path)); })) << path;
        EXPECT_EQ(config.GetSize(), 0);
        EXPECT_EQ(config.m_nTotal, 0);
        EXPECT_EQ(config.m_strCurrent, "");
    }
}

TEST(SkinPaths, EntryPathsUseTheSkinFolderAndBackslashesSeparate) {
    CSkinConfigItem item{"Fancy", "Themes\\Fancy", "fancy.ini"};
    EXPECT_EQ(SkinDirectoryOf("/opt/q/", item), "/opt/q/skin/Themes/Fancy/");
    EXPECT_EQ(SkinFileOf("/opt/q/", item), "/opt/q/skin/Themes/Fancy/fancy.ini");
    EXPECT_EQ(SkinListPath("/opt/q/"), "/opt/q/skin/skin.cfg");
}

TEST(SkinDescription, GeneralSectionAndTransparentColour) {
    testing::TempDir dir;
    const auto file = dir.Write("s.ini", "[General]\nType=Png\nBackground=img\\bg.png\nRed=300\nGreen=256\nBlue=79\n");
    SkinDescription skin;
    skin.ReadGeneral(file);
    EXPECT_EQ(skin.m_strType, "Png");
    EXPECT_EQ(skin.m_strBackground, "img/bg.png");
    EXPECT_EQ(skin.TransparentRed(), 44);
    EXPECT_EQ(skin.TransparentGreen(), 0);
    EXPECT_EQ(skin.TransparentBlue(), 79);
    EXPECT_EQ(skin.m_strSoundNone, "SoundNone");
    EXPECT_EQ(skin.m_strFrameRateList, "FrameRateList");

    SkinDescription empty;
    empty.ReadGeneral(dir.Path("missing.ini"));
    EXPECT_EQ(empty.m_strType, "");
    EXPECT_EQ(empty.m_nRed, 0);
}

TEST(ButtonImageNames, SixKeysOfASection) {
    testing::TempDir dir;
    const auto file = dir.Write("s.ini",
                                "[Close]\nNormal=c_n.bmp\nDown=c_d.bmp\nOver=c_o.bmp\nDisabled=c_x.bmp\n"
                                "Focus=c_f.bmp\nMask=sub\\c_m.bmp\n[Help]\nNormal=h.bmp\n");
    ButtonImageNames close;
    close.Read("close", file);
    EXPECT_EQ(close.m_strNormal, "c_n.bmp");
    EXPECT_EQ(close.m_strDown, "c_d.bmp");
    EXPECT_EQ(close.m_strOver, "c_o.bmp");
    EXPECT_EQ(close.m_strDisabled, "c_x.bmp");
    EXPECT_EQ(close.m_strFocus, "c_f.bmp");
    EXPECT_EQ(close.m_strMask, "sub/c_m.bmp");
    ButtonImageNames help;
    help.Read("Help", ProfileFile(file));
    EXPECT_EQ(help.m_strNormal, "h.bmp");
    EXPECT_EQ(help.m_strDown, "");
}

TEST(ResolveImagePath, BuildsThePathAndTestsExistenceIgnoringCase) {
    testing::TempDir dir;
    dir.Write("Skin/Buttons/Close_N.BMP", "x");
    std::string path = "untouched";
    EXPECT_FALSE(ResolveImagePath(dir.Path("skin"), "", path));
    EXPECT_EQ(path, "untouched");

    EXPECT_TRUE(ResolveImagePath(dir.Path("Skin"), "Buttons\\Close_N.BMP", path));
    EXPECT_EQ(path, dir.Path("Skin/Buttons/Close_N.BMP"));

    EXPECT_TRUE(ResolveImagePath(dir.Path("skin") + "/", "buttons/close_n.bmp", path));
    EXPECT_EQ(path, dir.Path("Skin/Buttons/Close_N.BMP"));

    EXPECT_FALSE(ResolveImagePath(dir.Path("Skin"), "Buttons\\Open_N.BMP", path));
    EXPECT_EQ(path, dir.Path("Skin/Buttons/Open_N.BMP"));

    // A leading separator in the name gives a doubled one; the file is still found.
    EXPECT_TRUE(ResolveImagePath(dir.Path("Skin/Buttons") + "/", "\\close_n.bmp", path));
}

TEST(FilePaths, CaseInsensitiveLookupPrefersTheExactSpellingAndIsDeterministic) {
    testing::TempDir dir;
    dir.Write("a/File.txt", "1");
    dir.Write("a/FILE.txt", "2");
    dir.Write("a/file.TXT", "3");
    EXPECT_EQ(FindPathIgnoringCase(dir.Path("a/file.TXT")), dir.Path("a/file.TXT"));
    EXPECT_EQ(FindPathIgnoringCase(dir.Path("A/file.txt")), dir.Path("a/FILE.txt"));
    EXPECT_EQ(FindPathIgnoringCase(dir.Path("a/none.txt")), dir.Path("a/none.txt"));
    EXPECT_EQ(FindPathIgnoringCase(""), "");
    EXPECT_EQ(ToNativeSeparators("a\\b\\\\c"), "a/b//c");
}

}  // namespace
}  // namespace quabrel
