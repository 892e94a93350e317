#include "platform/FilePaths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <strings.h>

namespace quabrel {

std::string ToNativeSeparators(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool PathExists(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

FileDescriptor::~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
}

FileDescriptor OpenRegularFile(const std::string& path) {
    // Without O_NONBLOCK a pipe's open() waits for a writer; on a regular
    // file the flag changes nothing, so it can stay set for the reads.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    return fd;
}

namespace {

// The entry of `dir` whose name equals `name` ignoring ASCII case; empty when
// there is none. Several candidates resolve to the smallest in byte order so
// the choice does not depend on the order the file system lists them in.
std::string MatchInFolder(const std::string& dir, const std::string& name) {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(dir.empty() ? "." : dir.c_str()), ::closedir);
    if (!folder) return {};
    std::string best;
    while (const dirent* entry = ::readdir(folder.get())) {
        const char* candidate = entry->d_name;
        if (::strcasecmp(candidate, name.c_str()) != 0) continue;
        if (best.empty() || best.compare(candidate) > 0) best = candidate;
    }
    return best;
}

}  // namespace

std::string FindPathIgnoringCase(const std::string& path) {
    if (path.empty() || PathExists(path)) return path;

    std::string resolved;
    std::size_t pos = 0;
    if (path.front() == '/') {
        resolved = "/";
        pos = 1;
    }
    while (pos <= path.size()) {
        const std::size_t slash = path.find('/', pos);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        const std::string component = path.substr(pos, end - pos);
        if (!component.empty()) {
            std::string next = resolved + component;
            if (!PathExists(next) && component != "." && component != "..") {
                const std::string match = MatchInFolder(resolved, component);
                if (match.empty()) return path;
                next = resolved + match;
            }
            resolved = std::move(next);
        }
        if (slash == std::string::npos) break;
        // Keep repeated separators as they were written; they are harmless here.
        resolved += '/';
        pos = slash + 1;
    }
    return resolved;
}

}  // namespace quabrel
