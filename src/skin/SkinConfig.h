#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quabrel {

class ProfileFile;

// Skin numbers, shared with the Skin menu's command ids.
constexpr int kBuiltInSkinNumber = 30;
constexpr int kFirstSkinNumber = 31;

// One entry of the skin list.
struct CSkinConfigItem {
    std::string m_strName;
    std::string m_strDirectory;
    std::string m_strIniFile;
};

// The skin list file skin/skin.cfg: the entries kept, in section order, plus
// "Total" and "Current" as they were read.
class CSkinConfig {
public:
    CSkinConfig() = default;
    virtual ~CSkinConfig() = default;

    // Appends the entries of the skin list file at `path`. A file that is
    // missing or unreadable leaves the list empty. Always succeeds.
    bool Load(const std::string& path);
    void Load(const ProfileFile& file);

    int GetSize() const { return static_cast<int>(m_items.size()); }
    const CSkinConfigItem& operator[](int index) const { return m_items.at(static_cast<std::size_t>(index)); }
    const std::vector<CSkinConfigItem>& Items() const { return m_items; }

    // The skin number chosen at start-up: "Current" read as a decimal number,
    // plus 31. -1 gives the built-in skin; an unusable value a number that
    // selects nothing.
    int StartupSkinNumber() const;

    int32_t m_nTotal = 0;
    std::string m_strCurrent;

private:
    std::vector<CSkinConfigItem> m_items;
};

// The skin directory of `item` (below `exeDir`'s skin folder, ending in '/')
// and the skin file inside it. Backslashes in the entry are separators.
std::string SkinDirectoryOf(const std::string& exeDir, const CSkinConfigItem& item);
std::string SkinFileOf(const std::string& exeDir, const CSkinConfigItem& item);

// Path of the skin list file below the executable's folder.
std::string SkinListPath(const std::string& exeDir);

// Section "General" of a skin file and the names of its control sections.
struct SkinDescription {
    void ReadGeneral(const std::string& file);
    void ReadGeneral(const ProfileFile& file);

    // The transparent colour's components: the low 8 bits of each value.
    uint8_t TransparentRed() const { return static_cast<uint8_t>(m_nRed); }
    uint8_t TransparentGreen() const { return static_cast<uint8_t>(m_nGreen); }
    uint8_t TransparentBlue() const { return static_cast<uint8_t>(m_nBlue); }

    std::string m_strType;
    std::string m_strBackground;
    int32_t m_nRed = 0;
    int32_t m_nGreen = 0;
    int32_t m_nBlue = 0;

    std::string m_strClose = "Close";
    std::string m_strAdvanced = "Advanced";
    std::string m_strFilePlay = "FilePlay";
    std::string m_strFilePause = "FilePause";
    std::string m_strFileStop = "FileStop";
    std::string m_strSound = "Sound";
    std::string m_strSoundNone = "SoundNone";
    std::string m_strToTray = "ToTray";
    std::string m_strMinimize = "Minimize";
    std::string m_strFileOpen = "FileOpen";
    std::string m_strRed = "Red";
    std::string m_strGreen = "Green";
    std::string m_strBlue = "Blue";
    std::string m_strHelp = "Help";
    std::string m_strBrightness = "Brightness";
    std::string m_strContrast = "Contrast";
    std::string m_strSaturation = "Saturation";
    std::string m_strVideoList = "VideoList";
    std::string m_strFrameRate = "FrameRate";
    std::string m_strFrameRateList = "FrameRateList";
};

// The six image names of one control section.
struct ButtonImageNames {
    void Read(const std::string& section, const std::string& file);
    void Read(const std::string& section, const ProfileFile& file);

    std::string m_strNormal;
    std::string m_strDown;
    std::string m_strOver;
    std::string m_strDisabled;
    std::string m_strFocus;
    std::string m_strMask;
};

// Builds directory + file name (with one separator between them) into
// `path` and says whether something exists there. A name that differs only in
// letter case from an existing file resolves to that file. An empty file name
// gives false and leaves `path` as it was.
bool ResolveImagePath(const std::string& directory, const std::string& fileName, std::string& path);

}  // namespace quabrel
