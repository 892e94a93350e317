#include "app/InstanceMutex.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace quabrel {

bool CInstanceMutex::Acquire(const std::string& name) {
    Release();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;

    // Abstract names are shared by all users of the machine, so the user id
    // is part of the name: each user gets a copy of their own.
    const std::string key = "quabrel-" + std::to_string(::getuid()) + "-" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t length = std::min(key.size(), sizeof address.sun_path - 1);
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
