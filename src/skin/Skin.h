#pragma once

#include "skin/SkinConfig.h"

#include <QImage>

#include <map>
#include <string>

namespace quabrel {

class ProfileFile;

// The pictures of one skinned control, as its section of a skin file names
// them; null where the skin has none. A Disabled picture that is not there
// is the Normal one.
struct ButtonPictures {
    QImage normal, down, over, disabled, focus, mask;

    static ButtonPictures Load(const std::string& section, const ProfileFile& file, const std::string& directory,
                               const std::string& imageType);
};

// A skin read from its files once per skin change: its general section, the
// background and every control's pictures. The window and its controls draw
// from it; none of them reads a file.
class Skin {
public:
    // Parses `skinFile` once and loads the pictures it names from
    // `directory`. What the file lacks stays empty: the caller decides what
    // a missing background means.
    void Load(const std::string& skinFile, const std::string& directory);

    const SkinDescription& Description() const { return m_description; }
    const QImage& Background() const { return m_background; }
    // The pictures of a control section; an empty set for one the skin
    // does not describe.
    const ButtonPictures& Pictures(const std::string& section) const;

private:
    SkinDescription m_description;
    QImage m_background;
    std::map<std::string, ButtonPictures> m_pictures;
};

}  // namespace quabrel
