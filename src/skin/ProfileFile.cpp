#include "skin/ProfileFile.h"

#include "platform/FilePaths.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

std::string Lowered(std::string_view s) {
    std::string lowered(s);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

// Writes `c` at `out` and returns the end of what it wrote (1 to 4 bytes).
char* PutUtf8(char* out, char32_t c) {
    const auto put = [&](char32_t byte) { *out++ = static_cast<char>(byte); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
    return out;
}

// Windows editors save "Unicode" as UTF-16 behind a byte-order mark, and
// UTF-8 often with one. Text with a UTF-16 mark becomes UTF-8; a UTF-8 mark
// is dropped; anything else is taken byte for byte, without a copy. Broken
// UTF-16 (a lone half of a surrogate pair, a last odd byte) becomes U+FFFD.
// `storage` holds the text when it had to be converted.
std::string_view DecodeText(std::string_view bytes, std::string& storage) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return bytes.substr(3);
    const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
    if (!little && !big) return bytes;

    constexpr char32_t kReplacement = 0xFFFD;
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
        return little ? char32_t(b0 | b1 << 8) : char32_t(b1 | b0 << 8);
    };
    const auto isHigh = [](char32_t u) { return u >= 0xD800 && u <= 0xDBFF; };
    const auto isLow = [](char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; };
    // A unit takes at most 3 bytes in UTF-8, a pair of them 4, and a last
    // odd byte the 3 of U+FFFD.
    storage.resize(bytes.size() / 2 * 3 + 3);
    char* out = storage.data();
    std::size_t i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t u = unit(i);
        if (isHigh(u) && i + 3 < bytes.size() && isLow(unit(i + 2))) {
            out = PutUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00));
            i += 2;
        } else {
            out = PutUtf8(out, isHigh(u) || isLow(u) ? kReplacement : u);
        }
    }
    if (i < bytes.size()) out = PutUtf8(out, kReplacement);
    storage.resize(static_cast<std::size_t>(out - storage.data()));
    return storage;
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
    m_index.clear();
    const FileDescriptor fd = OpenRegularFile(FindPathIgnoringCase(path));
    if (!fd) return false;
    // Read what is there, up to the limit, into one buffer sized from the
    // file's length, with a byte to spare for the read that finds its end;
    // a file that grows while being read gets no more than the limit either.
    struct stat status {};
    const std::size_t expected = ::fstat(fd.get(), &status) == 0 && status.st_size > 0
                                     ? std::min(static_cast<std::size_t>(status.st_size) + 1, kMaxFileSize)
                                     : 0;
    std::string text(std::max<std::size_t>(expected, 4096), '\0');
    std::size_t filled = 0;
    while (filled < kMaxFileSize) {
        if (filled == text.size()) text.resize(std::min(text.size() * 2, kMaxFileSize));
        const ssize_t got = ::read(fd.get(), text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    Parse(text);
    return true;
}

void ProfileFile::Parse(std::string_view bytes) {
    m_sections.clear();
    m_index.clear();
    std::string converted;
    const std::string_view text = DecodeText(bytes, converted);

    // Files from Windows editors end lines in CR LF, older ones in CR. The
    // next of each is remembered, so a long file costs two scans of memchr
    // speed, where a search for either character tests every byte twice.
    std::size_t nextCr = text.find('\r'), nextLf = text.find('\n'), start = 0;
    Section* current = nullptr;
    while (start < text.size()) {
        if (nextCr < start) nextCr = text.find('\r', start);
        if (nextLf < start) nextLf = text.find('\n', start);
        const std::size_t eol = std::min({nextCr, nextLf, text.size()});
        std::string_view line = Trim(text.substr(start, eol - start));
        start = eol + 1;

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            // A bracket that never closes names no section; like any other
            // line that is not key=value, it is passed over.
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos) continue;
            const std::string_view name = Trim(line.substr(1, close - 1));
            m_index.try_emplace(Lowered(name), m_sections.size());
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
    const auto found = m_index.find(Lowered(name));
    return found == m_index.end() ? nullptr : &m_sections[found->second];
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
