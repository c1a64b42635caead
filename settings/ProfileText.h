#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The lines of one profile file held in memory. Parsing never fails: any bytes
// (binary data, NUL bytes, CRLF, a UTF-8 byte order mark, no final line end)
// give some reading, and lines that are neither section headers nor keys
// (comments starting with ';', blank lines, text before the first section,
// unparsable junk) are kept untouched when the file is rewritten.
//
// Names and values are seen as C strings: each is cut at its first NUL byte.
// Every operation acts on the first section of a given name and, inside it, on
// the first key of a given name, like the classic profile functions.
class ProfileText {
public:
    ProfileText() = default;
    static ProfileText Parse(std::string_view bytes);

    // The trimmed value, or nothing when the section or the key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Section names in file order, as many as fit into a buffer of bufferSize
    // bytes. Each listed name takes its length + 1 bytes and the list ends with
    // one more zero byte, so names are listed while
    //     (sum of (length + 1) over the listed names) + 1 <= bufferSize;
    // the first name that does not fit ends the list (it is never listed cut
    // short, since a cut name could match another section). Sections with an
    // empty name cannot appear in a zero-separated list and are skipped.
    std::vector<std::string> SectionNames(std::size_t bufferSize) const;

    // Erases the first section of each name, one name after the other, exactly
    // as successive single erases would. Returns whether anything was erased.
    bool EraseSections(const std::vector<std::string>& names);
    bool EraseSection(std::string_view section);

    // Replaces the key's value in place or appends the key after the last
    // non-blank line of its section; appends the section at the end of the file
    // when missing. Returns whether the text changed.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    // The file's bytes: every line followed by '\n'.
    std::string Bytes() const;

private:
    struct SectionSpan {
        std::string name;   // as matched: cut at NUL
        std::size_t header; // index of the "[name]" line
        std::size_t end;    // one past its last line
    };

    void Reindex();
    const SectionSpan* FindSection(std::string_view name) const;
    std::optional<std::size_t> FindKey(const SectionSpan& section, std::string_view key) const;

    std::vector<std::string> lines_; // raw bytes of each line, without '\n'
    std::vector<SectionSpan> sections_;
};

// Cuts text to at most maxBytes bytes without splitting a UTF-8 sequence.
// Bytes that are not well-formed UTF-8 are cut where the limit falls.
std::string CutToUtf8Boundary(std::string_view text, std::size_t maxBytes);
