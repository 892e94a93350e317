#pragma once

#include "skin/ProfileFile.h"
#include "skin/Skin.h"

#include <string>

namespace quabrel::testing {

// A control's pictures as the skin reads them from `skinFile`'s `section`.
inline ButtonPictures PicturesFrom(const std::string& section, const std::string& skinFile, const std::string& directory,
                                   const std::string& imageType) {
    return ButtonPictures::Load(section, ProfileFile(skinFile), directory, imageType);
}

}  // namespace quabrel::testing
