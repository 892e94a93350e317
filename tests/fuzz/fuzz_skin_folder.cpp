// Writes arbitrary bytes into a skin folder and loads them the way the program
// does, by path: the skin list, each entry's skin file, its sections and the
// images they name. This reaches what reading from memory cannot: opening
// the files, the lookup that ignores letter case, the size limit of the
// reader.
//
// Input: the skin list, then kSeparator, then the skin file (without a
// separator, the skin list alone). The folder, in mixed case so the lookup
// has work to do:
//   <tmp>/Skin/Skin.CFG       the skin list
//   <tmp>/Skin/Fuzz/Skin.Ini  the skin file as given
//   <tmp>/Skin/Big/Skin.Ini   the skin file twice, the second time across the
//                             reader's size limit; written only when an
//                             entry's folder is "big"
#include "platform/FilePaths.h"
#include "skin/PngImage.h"
#include "skin/ProfileFile.h"
#include "skin/SkinConfig.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

namespace {

using namespace quabrel;
namespace fs = std::filesystem;

constexpr std::string_view kSeparator = "\n#skin-file#\n";
// Enough for the interesting cases; more entries only repeat the same work.
constexpr int kEntriesRead = 4;
constexpr std::size_t kSectionsRead = 24;

// One folder for the whole run, removed at exit.
class SkinFolder {
public:
    SkinFolder() {
        std::string pattern = (fs::temp_directory_path() / "fuzz-skin-folder-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        m_root = pattern;
        fs::create_directories(m_root / "Skin" / "Fuzz");
        fs::create_directories(m_root / "Skin" / "Big");
    }
    ~SkinFolder() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    // The folder the program would run from, ending in '/'.
    std::string ExeDir() const { return m_root.string() + "/"; }
    fs::path Path(const char* relative) const { return m_root / relative; }

private:
    fs::path m_root;
};

void Write(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

// Names are taken from the input: keep every open inside the folder (a
// "../" could reach /proc, where some files change as they are read).
bool StaysInside(const std::string& name) { return name.find("..") == std::string::npos; }

void LoadImage(const std::string& directory, const std::string& name) {
    std::string path;
    if (StaysInside(name) && ResolveImagePath(directory, name, path)) PngImage().Read(path);
}

void LoadSkin(const std::string& exeDir, const CSkinConfigItem& item) {
    const std::string skinFile = SkinFileOf(exeDir, item);
    const std::string skinDirectory = SkinDirectoryOf(exeDir, item);
    const ProfileFile file(skinFile);
    SkinDescription skin;
    skin.ReadGeneral(file);
    LoadImage(skinDirectory, skin.m_strBackground);

    // The program reads the first section of each name only.
    std::set<std::string> seen;
    for (std::string section : file.SectionNames()) {
        for (char& c : section) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!seen.insert(section).second) continue;
        if (seen.size() > kSectionsRead) break;
        ButtonImageNames names;
        names.Read(section, file);
        LoadImage(skinDirectory, names.m_strNormal);
        LoadImage(skinDirectory, names.m_strMask);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const SkinFolder folder;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find(kSeparator);
    const std::string_view list = input.substr(0, split);
    const std::string_view skinFile =
        split == std::string_view::npos ? std::string_view() : input.substr(split + kSeparator.size());

    Write(folder.Path("Skin/Skin.CFG"), list);
    Write(folder.Path("Skin/Fuzz/Skin.Ini"), skinFile);

    CSkinConfig config;
    config.Load(SkinListPath(folder.ExeDir()));
    (void)config.StartupSkinNumber();

    bool big = false;
    for (const CSkinConfigItem& item : config.Items())
        big = big || ::strcasecmp(ToNativeSeparators(item.m_strDirectory).c_str(), "big") == 0;
    std::error_code ignored;
    fs::remove(folder.Path("Skin/Big/Skin.Ini"), ignored);
    if (big) {
        // The skin file, a comment line filling the file to just before the
        // limit, and the skin file again, which the limit cuts in the middle.
        std::string padded(skinFile);
        padded += "\n;";
        const std::size_t cut = std::min(skinFile.size() / 2, ProfileFile::kMaxFileSize);
        padded.resize(std::max(padded.size(), ProfileFile::kMaxFileSize - cut), '-');
        padded += '\n';
        padded += skinFile;
        Write(folder.Path("Skin/Big/Skin.Ini"), padded);
    }

    int read = 0;
    for (const CSkinConfigItem& item : config.Items()) {
        if (read++ == kEntriesRead) break;
        if (StaysInside(item.m_strDirectory) && StaysInside(item.m_strIniFile)) LoadSkin(folder.ExeDir(), item);
    }
    return 0;
}
