#include "ProfileText.h"

#include <algorithm>
#include <deque>
#include <map>
#include <utility>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// '\r' counts as a blank so that CRLF files read like LF files.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view CutAtNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = AsciiLower(c);
    return lower;
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

enum class LineKind { Other, Header, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::string_view value;
};

// A header is '[' ... last ']' with the name taken verbatim between them (text
// after the ']' is ignored); a key line holds an '='; everything else (blank,
// ';' comment, junk) is kept but never matched.
ParsedLine ParseLine(std::string_view raw, bool firstLine)
{
    if (firstLine && raw.starts_with(kByteOrderMark))
        raw.remove_prefix(kByteOrderMark.size());
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';')
        return {};
    if (line.front() == '[') {
        const std::size_t close = line.rfind(']');
        if (close != std::string_view::npos)
            return {LineKind::Header, CutAtNul(line.substr(1, close - 1)), {}};
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {LineKind::Key, Trim(CutAtNul(line.substr(0, equals))),
            Trim(CutAtNul(line.substr(equals + 1)))};
}

// A name or value written into a line must stay on that line.
std::string_view CutForLine(std::string_view text)
{
    return text.substr(0, text.find_first_of(std::string_view("\0\r\n", 3)));
}

} // namespace

std::string CutToUtf8Boundary(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t cut = maxBytes;
    // Look back at most three bytes for the lead byte of a sequence that the
    // cut would split; anything else (binary data) is cut where the limit is.
    for (std::size_t back = 1; back <= 3 && back <= cut; ++back) {
        const auto byte = static_cast<unsigned char>(text[cut - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        if (byte >= 0xC0 && byte < 0xF8) {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
            if (back < length)
                cut -= back;
        }
        break;
    }
    return std::string(text.substr(0, cut));
}

ProfileText ProfileText::Parse(std::string_view bytes)
{
    ProfileText text;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        text.lines_.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    text.Reindex();
    return text;
}

void ProfileText::Reindex()
{
    sections_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const ParsedLine line = ParseLine(lines_[i], i == 0);
        if (line.kind != LineKind::Header)
            continue;
        if (!sections_.empty())
            sections_.back().end = i;
        sections_.push_back({std::string(line.name), i, lines_.size()});
    }
}

const ProfileText::SectionSpan* ProfileText::FindSection(std::string_view name) const
{
    name = CutAtNul(name);
    for (const SectionSpan& section : sections_)
        if (SameName(section.name, name))
            return &section;
    return nullptr;
}

std::optional<std::size_t> ProfileText::FindKey(const SectionSpan& section, std::string_view key) const
{
    key = CutAtNul(key);
    for (std::size_t i = section.header + 1; i < section.end; ++i) {
        const ParsedLine line = ParseLine(lines_[i], false);
        if (line.kind == LineKind::Key && SameName(line.name, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileText::Value(std::string_view section, std::string_view key) const
{
    const SectionSpan* found = FindSection(section);
    if (!found)
        return std::nullopt;
    const std::optional<std::size_t> line = FindKey(*found, key);
    if (!line)
        return std::nullopt;
    return std::string(ParseLine(lines_[*line], false).value);
}

std::vector<std::string> ProfileText::SectionNames(std::size_t bufferSize) const
{
    std::vector<std::string> names;
    std::size_t used = 0;
    for (const SectionSpan& section : sections_) {
        if (section.name.empty())
            continue;
        const std::size_t entry = section.name.size() + 1;
        if (used + entry + 1 > bufferSize)
            break;
        names.push_back(section.name);
        used += entry;
    }
    return names;
}

bool ProfileText::EraseSections(const std::vector<std::string>& names)
{
    // Each erase removes the first remaining section of its name, so per name
    // the sections go in file order: one queue per name gives the same result
    // as erasing one at a time, without rescanning the file for every name.
    std::map<std::string, std::deque<std::size_t>> remaining;
    for (std::size_t i = 0; i < sections_.size(); ++i)
        remaining[AsciiLower(sections_[i].name)].push_back(i);

    std::vector<bool> erased(sections_.size(), false);
    bool any = false;
    for (const std::string& name : names) {
        const auto found = remaining.find(AsciiLower(CutAtNul(name)));
        if (found == remaining.end() || found->second.empty())
            continue;
        erased[found->second.front()] = true;
        found->second.pop_front();
        any = true;
    }
    if (!any)
        return false;

    std::vector<std::string> kept;
    kept.reserve(lines_.size());
    std::size_t next = 0;
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        if (!erased[s])
            continue;
        for (; next < sections_[s].header; ++next)
            kept.push_back(std::move(lines_[next]));
        next = sections_[s].end;
    }
    for (; next < lines_.size(); ++next)
        kept.push_back(std::move(lines_[next]));
    lines_ = std::move(kept);
    Reindex();
    return true;
}

bool ProfileText::EraseSection(std::string_view section)
{
    return EraseSections({std::string(section)});
}

bool ProfileText::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    section = CutForLine(section);
    key = CutForLine(key);
    value = CutForLine(value);

    const SectionSpan* found = FindSection(section);
    if (!found) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::string(key) + "=" + std::string(value));
        Reindex();
        return true;
    }
    if (const std::optional<std::size_t> line = FindKey(*found, key)) {
        const ParsedLine old = ParseLine(lines_[*line], false);
        if (old.value == value)
            return false;
        // The key keeps the spelling it has in the file.
        lines_[*line] = std::string(old.name) + "=" + std::string(value);
        return true;
    }
    // After the section's last non-blank line, so that blank lines that
    // separate it from the next section stay where they are.
    std::size_t at = found->end;
    while (at > found->header + 1 && Trim(lines_[at - 1]).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(key) + "=" + std::string(value));
    Reindex();
    return true;
}

std::string ProfileText::Bytes() const
{
    std::size_t size = 0;
    for (const std::string& line : lines_)
        size += line.size() + 1;
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& line : lines_) {
        bytes += line;
        bytes += '\n';
    }
    return bytes;
}

