#pragma once

#include <string>

namespace quabrel {

// Keeps a second copy of the program from running for the same user. The
// guard is a socket bound to an abstract name (no file is created); the
// kernel drops it however the holder ends, so a crashed or killed copy never
// blocks the next start.
class CInstanceMutex {
public:
    CInstanceMutex() = default;
    ~CInstanceMutex() { Release(); }
    CInstanceMutex(const CInstanceMutex&) = delete;
    CInstanceMutex& operator=(const CInstanceMutex&) = delete;

    // True when another holder of `name` is running (nothing is held then);
    // false when this object now holds the guard, or when the guard cannot be
    // made at all, which must not keep the program from starting.
    bool Acquire(const std::string& name);
    void Release();
    bool IsHeld() const { return m_handle >= 0; }

private:
    int m_handle = -1;
};

}  // namespace quabrel
