#include "skin/Skin.h"

#include "skin/ProfileFile.h"
#include "skin/SkinImage.h"

namespace quabrel {

namespace {

QImage LoadNamed(const std::string& directory, const std::string& name, const std::string& type) {
    std::string path;
    QImage image;
    if (ResolveImagePath(directory, name, path)) LoadSkinImage(path, type, image);
    return image;
}

}  // namespace

ButtonPictures ButtonPictures::Load(const std::string& section, const ProfileFile& file, const std::string& directory,
                                    const std::string& imageType) {
    std::string dir = directory;
    if (dir.size() > 1 && dir.back() != '/' && dir.back() != '\\') dir += '/';
    ButtonImageNames names;
    names.Read(section, file);
    ButtonPictures pictures;
    pictures.normal = LoadNamed(dir, names.m_strNormal, imageType);
    pictures.down = LoadNamed(dir, names.m_strDown, imageType);
    pictures.over = LoadNamed(dir, names.m_strOver, imageType);
    pictures.focus = LoadNamed(dir, names.m_strFocus, imageType);
    std::string unused;
    pictures.disabled = ResolveImagePath(dir, names.m_strDisabled, unused)
                            ? LoadNamed(dir, names.m_strDisabled, imageType)
                            : pictures.normal;
    pictures.mask = LoadNamed(dir, names.m_strMask, imageType);
    return pictures;
}

void Skin::Load(const std::string& skinFile, const std::string& directory) {
    const ProfileFile file(skinFile);
    m_description = {};
    m_description.ReadGeneral(file);
    m_background = QImage();
    LoadSkinImage(directory + m_description.m_strBackground, m_description.m_strType, m_background);
    m_pictures.clear();
    const SkinDescription& d = m_description;
    for (const std::string* section :
         {&d.m_strClose, &d.m_strAdvanced, &d.m_strFilePlay, &d.m_strFilePause, &d.m_strFileStop, &d.m_strSound,
          &d.m_strSoundNone, &d.m_strToTray, &d.m_strMinimize, &d.m_strFileOpen, &d.m_strRed, &d.m_strGreen,
          &d.m_strBlue, &d.m_strHelp, &d.m_strBrightness, &d.m_strContrast, &d.m_strSaturation, &d.m_strVideoList})
        if (!m_pictures.count(*section))
            m_pictures.emplace(*section, ButtonPictures::Load(*section, file, directory, d.m_strType));
}

const ButtonPictures& Skin::Pictures(const std::string& section) const {
    static const ButtonPictures kNone;
    const auto found = m_pictures.find(section);
    return found == m_pictures.end() ? kNone : found->second;
}

}  // namespace quabrel
