#include "skin/ProfileFile.h"

#include "platform/FilePaths.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <fstream>

namespace quabrel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

int32_t AtoI(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (IsBlank(text[i]) || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t value = 0;  // unsigned, so overlong digit runs wrap instead of overflowing
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

bool ProfileFile::Load(const std::string& path) {
    m_sections.clear();
    std::ifstream in(FindPathIgnoringCase(path), std::ios::binary);
    if (!in) return false;
    // Read what is there, up to the limit: skin files are a few kilobytes,
    // and every skin change reads one per button.
    std::string text;
    std::array<char, 16384> chunk;
    while (text.size() < kMaxFileSize) {
        in.read(chunk.data(), static_cast<std::streamsize>(std::min(chunk.size(), kMaxFileSize - text.size())));
        if (in.bad()) return false;  // a folder opens, but does not read
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (!in) break;  // end of file
    }
    Parse(text);
    return true;
}

void ProfileFile::Parse(std::string_view text) {
    m_sections.clear();
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // UTF-8 byte order mark

    Section* current = nullptr;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            m_sections.push_back({std::string(name), {}});
            current = &m_sections.back();
            continue;
        }
        const std::size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value = Unquote(Trim(line.substr(eq + 1)));
        current->entries.push_back({std::string(key), std::string(value.substr(0, kMaxValueLength))});
    }
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view name) const {
    for (const Section& section : m_sections)
        if (EqualsIgnoringCase(section.name, name)) return &section;
    return nullptr;
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
    if (const Section* s = FindSection(section))
        for (const Entry& entry : s->entries)
            if (EqualsIgnoringCase(entry.key, key)) return entry.value;
    return std::string(defaultValue.substr(0, kMaxValueLength));
}

int32_t ProfileFile::GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const {
    if (const Section* s = FindSection(section))
        for (const Entry& entry : s->entries)
            if (EqualsIgnoringCase(entry.key, key)) return AtoI(entry.value);
    return defaultValue;
}

std::vector<std::string> ProfileFile::SectionNames() const {
    std::vector<std::string> names;
    names.reserve(m_sections.size());
    for (const Section& section : m_sections) names.push_back(section.name);
    return names;
}

std::string ReadProfileString(std::string_view section, std::string_view key, const std::string& file) {
    return ProfileFile(file).GetString(section, key);
}

int32_t ReadProfileInt(std::string_view section, std::string_view key, int32_t defaultValue,
                       const std::string& file) {
    return ProfileFile(file).GetInt(section, key, defaultValue);
}

}  // namespace quabrel
