#include "skin/SkinConfig.h"

#include "platform/FilePaths.h"
#include "skin/ProfileFile.h"

#include <strings.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace quabrel {

namespace {

// The numbers i below `total` for which the file has a section "case<i>"
// spelled as "case%d" spells it, in increasing order without repeats.
std::vector<int32_t> CaseNumbers(const ProfileFile& file, int32_t total) {
    std::vector<int32_t> numbers;
    for (const std::string& name : file.SectionNames()) {
        if (name.size() < 5 || ::strncasecmp(name.c_str(), "case", 4) != 0) continue;
        const std::string digits = name.substr(4);
        const int32_t i = AtoI(digits);
        if (i >= 0 && i < total && std::to_string(i) == digits) numbers.push_back(i);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

}  // namespace

bool CSkinConfig::Load(const std::string& path) {
    Load(ProfileFile(path));
    return true;
}

void CSkinConfig::Load(const ProfileFile& file) {
    m_nTotal = file.GetInt("General", "Total");
    m_strCurrent = file.GetString("General", "Current");
    // Only the sections that are there: "Total" may claim billions.
    for (const int32_t i : CaseNumbers(file, m_nTotal)) {
        const std::string section = "case" + std::to_string(i);
        CSkinConfigItem item;
        item.m_strName = file.GetString(section, "Name");
        item.m_strDirectory = file.GetString(section, "Directory");
        item.m_strIniFile = file.GetString(section, "iniFile");
        if (item.m_strName.empty() || item.m_strDirectory.empty() || item.m_strIniFile.empty()) continue;
        m_items.push_back(std::move(item));
    }
}

int CSkinConfig::StartupSkinNumber() const {
    const int64_t number = int64_t{AtoI(m_strCurrent)} + kFirstSkinNumber;
    // Out of int range can only mean "no such skin"; -1 selects nothing.
    return number > std::numeric_limits<int>::max() ? -1 : static_cast<int>(number);
}

std::string SkinListPath(const std::string& exeDir) { return exeDir + "skin/skin.cfg"; }

std::string SkinDirectoryOf(const std::string& exeDir, const CSkinConfigItem& item) {
    return exeDir + "skin/" + ToNativeSeparators(item.m_strDirectory) + "/";
}

std::string SkinFileOf(const std::string& exeDir, const CSkinConfigItem& item) {
    return SkinDirectoryOf(exeDir, item) + ToNativeSeparators(item.m_strIniFile);
}

void SkinDescription::ReadGeneral(const std::string& file) { ReadGeneral(ProfileFile(file)); }

void SkinDescription::ReadGeneral(const ProfileFile& file) {
    m_strType = file.GetString("General", "Type");
    m_strBackground = ToNativeSeparators(file.GetString("General", "Background"));
    m_nBlue = file.GetInt("General", "Blue");
    m_nGreen = file.GetInt("General", "Green");
    m_nRed = file.GetInt("General", "Red");
}

void ButtonImageNames::Read(const std::string& section, const std::string& file) { Read(section, ProfileFile(file)); }

void ButtonImageNames::Read(const std::string& section, const ProfileFile& file) {
    m_strNormal = ToNativeSeparators(file.GetString(section, "Normal"));
    m_strDown = ToNativeSeparators(file.GetString(section, "Down"));
    m_strOver = ToNativeSeparators(file.GetString(section, "Over"));
    m_strDisabled = ToNativeSeparators(file.GetString(section, "Disabled"));
    m_strFocus = ToNativeSeparators(file.GetString(section, "Focus"));
    m_strMask = ToNativeSeparators(file.GetString(section, "Mask"));
}

bool ResolveImagePath(const std::string& directory, const std::string& fileName, std::string& path) {
    if (fileName.empty()) return false;
    std::string built = directory;
    if (built.empty() || built.back() != '/') built += '/';
    built += ToNativeSeparators(fileName);
    path = FindPathIgnoringCase(built);
    return PathExists(path);
}

}  // namespace quabrel
