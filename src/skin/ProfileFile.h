#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quabrel {

// Reads the INI-style files that describe skins, with the rules skin authors
// rely on:
//  - text may be UTF-8 or, behind a byte-order mark, UTF-16 (read as UTF-8);
//    lines end in LF, CR LF or CR;
//  - "[name]" opens a section; "key=value" lines belong to the section above;
//    other lines, an unclosed "[" among them, are passed over;
//  - section and key names match without regard to ASCII case;
//  - names and values lose surrounding blanks, and one pair of matching
//    quotes (' or ") around a whole value is removed;
//  - lines whose first non-blank character is ';' are comments;
//  - only the first of duplicated sections is searched, and in it the first
//    of duplicated keys wins;
//  - a text value is cut to its first 1023 characters;
//  - numbers are read as atoi reads them.
// A missing file, section or key gives the caller's default.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValueLength = 1023;
    // Only the start of an oversized file is read: no skin needs more, and a
    // runaway file must not cost the window its memory.
    static constexpr std::size_t kMaxFileSize = 1 << 20;

    ProfileFile() = default;
    explicit ProfileFile(const std::string& path) { Load(path); }

    // Parses the file at `path`, trying a case-insensitive match of the name
    // when it does not exist as spelled. False when it cannot be read.
    bool Load(const std::string& path);
    void Parse(std::string_view text);

    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue = {}) const;
    int32_t GetInt(std::string_view section, std::string_view key, int32_t defaultValue = 0) const;
    std::vector<std::string> SectionNames() const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Section* FindSection(std::string_view name) const;

    std::vector<Section> m_sections;
    // Lower-cased name -> first section of that name, so that reading a list
    // of many sections costs no more than the list itself.
    std::unordered_map<std::string, std::size_t> m_index;
};

// The decimal integer at the start of `text`, as atoi reads it: leading
// blanks skipped, an optional sign, digits up to the first non-digit, 0 when
// there are none. Values outside 32 bits keep their low 32 bits.
int32_t AtoI(std::string_view text);

// Value of `key` in `section` of the INI file at `file`; empty when missing.
std::string ReadProfileString(std::string_view section, std::string_view key, const std::string& file);
int32_t ReadProfileInt(std::string_view section, std::string_view key, int32_t defaultValue,
                       const std::string& file);

}  // namespace quabrel
