#pragma once

// A small profile (INI) file layer with the semantics the settings code was
// written against: section and key names match without regard to ASCII case,
// values come back trimmed, a missing file, section or key gives the default,
// and a failed write raises ToolkitError("Unable to write to <file name>").
//
// Where we deliberately do better than the classic profile functions:
// - every write replaces the file atomically (temporary file in the same folder,
//   fsync, rename), so a crash or a full disk never leaves a truncated file and a
//   failed write leaves the old file byte for byte as it was;
// - a read-only file is reported as a failure, never replaced behind the user's
//   back, and an existing file that cannot be read is never overwritten;
// - a value holding a line break is cut at it instead of injecting lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ProfileText.h"

// A profile file on disk, known by name only: every call reads the file anew,
// and every write rewrites it whole.
class ProfileFile {
public:
    explicit ProfileFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    // At most bufferSize - 1 bytes come back (the classic rule counts bytes);
    // a cut that would split a UTF-8 sequence moves back to the start of that
    // sequence, so fewer bytes may come back. The default goes through the same
    // cut. Reading never fails.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue, std::size_t bufferSize = 1024) const;

    std::vector<std::string> SectionNames(std::size_t bufferSize = 8192) const;

    // Both throw ToolkitError("Unable to write to " + FileName()) when the file
    // cannot be written; the old file is then kept as it was. Erasing a section
    // that is not there writes nothing and cannot fail.
    void EraseSection(std::string_view section);
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // For callers that make several changes in one rewrite. Read() never fails
    // (a missing or unreadable file is empty). ReadForUpdate() throws the write
    // error when the file exists but cannot be read, since rewriting it would
    // lose what it holds.
    ProfileText Read() const;
    ProfileText ReadForUpdate() const;
    void Rewrite(const ProfileText& text);

private:
    [[noreturn]] void ThrowWriteError() const;

    std::string fileName_;
};
