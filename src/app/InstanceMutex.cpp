#include "app/InstanceMutex.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace quabrel {

bool CInstanceMutex::Acquire(const std::string& name) {
    Release();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;

    // Abstract names are shared by all users of the machine, so the user id
    // is part of the name: each user gets a copy of their own.
    std::string key = "quabrel-" + std::to_string(::getuid()) + "-" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t room = sizeof address.sun_path - 1;
    if (key.size() > room) {
        // Cutting a long name short could make two names one: the end that
        // does not fit is replaced by a digest of the whole name instead.
        std::uint64_t digest = 14695981039346656037ull;  // FNV-1a
        for (const unsigned char c : key) digest = (digest ^ c) * 1099511628211ull;
        char tail[18];
        std::snprintf(tail, sizeof tail, "#%016llx", static_cast<unsigned long long>(digest));
        key.replace(room - (sizeof tail - 1), std::string::npos, tail);
    }
    const std::size_t length = key.size();
    std::memcpy(address.sun_path + 1, key.data(), length);  // leading NUL: abstract namespace
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);

    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
        m_handle = fd;
        return false;
    }
    const bool taken = errno == EADDRINUSE;
    ::close(fd);
    return taken;
}

void CInstanceMutex::Release() {
    if (m_handle >= 0) ::close(m_handle);
    m_handle = -1;
}

}  // namespace quabrel
