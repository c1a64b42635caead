#include "ProfileFile.h"

#include "ToolkitError.h"

#include "SafeFile.h"

#include <limits>
#include <utility>

ProfileFile::ProfileFile(std::string fileName) : fileName_(std::move(fileName)) {}

void ProfileFile::ThrowWriteError() const
{
    throw ToolkitError("Unable to write to " + fileName_);
}

ProfileText ProfileFile::Read() const
{
    return ProfileText::Parse(ReadWholeFile(fileName_, std::numeric_limits<uint64_t>::max()).bytes);
}

ProfileText ProfileFile::ReadForUpdate() const
{
    ReadResult read = ReadWholeFile(fileName_, std::numeric_limits<uint64_t>::max());
    if (read.status != ReadStatus::Ok && read.status != ReadStatus::Missing)
        ThrowWriteError();
    return ProfileText::Parse(read.bytes);
}

void ProfileFile::Rewrite(const ProfileText& text)
{
    if (!ReplaceFile(fileName_, text.Bytes()))
        ThrowWriteError();
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t bufferSize) const
{
    const std::optional<std::string> value = Read().Value(section, key);
    const std::string_view result = value ? std::string_view(*value) : defaultValue.substr(0, defaultValue.find('\0'));
    return CutToUtf8Boundary(result, bufferSize > 0 ? bufferSize - 1 : 0);
}

std::vector<std::string> ProfileFile::SectionNames(std::size_t bufferSize) const
{
    return Read().SectionNames(bufferSize);
}

void ProfileFile::EraseSection(std::string_view section)
{
    // An unreadable file has no section to erase, so nothing is written.
    ProfileText text = Read();
    if (text.EraseSection(section))
        Rewrite(text);
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    ProfileText text = ReadForUpdate();
    if (text.WriteString(section, key, value))
        Rewrite(text);
}
