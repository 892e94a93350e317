// Decodes arbitrary bytes as a skin PNG, read through a file as the program does.
#include "skin/PngImage.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("png", 0);
    if (fd < 0) return 0;
    if (::write(fd, data, size) == static_cast<ssize_t>(size)) {
        quabrel::PngImage image;
        if (image.Read("/proc/self/fd/" + std::to_string(fd))) {
            // Touch every output byte so a short buffer shows up.
            const std::size_t bytes = std::size_t(image.GetWidth()) * image.GetHeight() * 4;
            volatile uint8_t sum = 0;
            for (std::size_t i = 0; i < bytes; ++i) sum = static_cast<uint8_t>(sum + image.GetPixels()[i]);
        }
    }
    ::close(fd);
    return 0;
}
