// Feeds arbitrary bytes to the skin list and skin file readers.
#include "skin/ProfileFile.h"
#include "skin/SkinConfig.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace quabrel;
    ProfileFile file;
    file.Parse(std::string_view(reinterpret_cast<const char*>(data), size));

    CSkinConfig list;
    list.Load(file);
    (void)list.StartupSkinNumber();
    for (const CSkinConfigItem& item : list.Items()) (void)SkinFileOf("/nonexistent/", item);

    SkinDescription skin;
    skin.ReadGeneral(file);
    for (const std::string& section : file.SectionNames()) {
        ButtonImageNames names;
        names.Read(section, file);
    }
    return 0;
}
