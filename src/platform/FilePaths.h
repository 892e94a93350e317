#pragma once

#include <string>
#include <utility>

namespace quabrel {

// Skins are written on systems where '\' separates folders and letter case
// does not matter. These helpers let such names work on this file system.

// Replaces every backslash with '/'.
std::string ToNativeSeparators(std::string path);

// Returns `path` when it exists as spelled. Otherwise walks it one component
// at a time and, where a component does not exist, takes the entry of that
// folder whose name matches it ignoring ASCII letter case (the first in byte
// order when several do). Returns `path` unchanged when nothing matches.
std::string FindPathIgnoringCase(const std::string& path);

// True when a file or folder exists at `path` as spelled.
bool PathExists(const std::string& path);

// Owns an open file descriptor and closes it when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    ~FileDescriptor();

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Opens `path` (as spelled) for reading when it is a regular file; anything
// else gives an empty descriptor, as a missing file does. Whatever sits in a
// skin folder is taken from the user: opening a named pipe the ordinary way
// would wait forever for a writer, and a device or folder is no picture or
// text. Every read of a skin's files starts here.
FileDescriptor OpenRegularFile(const std::string& path);

}  // namespace quabrel
