#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quabrel::testing {

// A fresh folder below the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quabrel-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Path of `relative` inside the folder, as text.
    std::string Path(const std::string& relative = {}) const { return (m_path / relative).string(); }

    // Writes `content` to `relative`, creating folders on the way.
    std::string Write(const std::string& relative, const std::string& content) const {
        const auto file = m_path / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }

private:
    std::filesystem::path m_path;
};

}  // namespace quabrel::testing
