#include "FontTables.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "FontDirectory.h"

namespace {

// The font file read piecemeal: the directory parser asks for the ranges it
// needs, which is much cheaper than having FreeType set up a whole face only
// to hand back one table.
class FileBytes : public FontBytes {
public:
    explicit FileBytes(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        struct stat info {};
        if (fd_ >= 0 && fstat(fd_, &info) == 0 && info.st_size > 0)
            size_ = uint64_t(info.st_size);
    }
    ~FileBytes() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    bool ok() const { return fd_ >= 0; }
    uint64_t Size() const override { return size_; }

    bool Read(uint64_t offset, size_t n, uint8_t* out) const override
    {
        size_t done = 0;
        while (done < n) {
            const ssize_t got = ::pread(fd_, out + done, n - done, off_t(offset + done));
            if (got <= 0)
                return false;
            done += size_t(got);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_ = 0;
};

// Wrapped formats (WOFF and the like) that the font database lists through
// FreeType are read through FreeType.
TableRead ReadTableWithFreeType(const FaceSource& face, uint32_t tag, std::vector<uint8_t>& bytes)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library))
        return TableRead::Unreadable;
    TableRead result = TableRead::Unreadable;
    FT_Face ftFace = nullptr;
    if (!FT_New_Face(library, face.file.c_str(), face.index & 0xFFFF, &ftFace)) {
        FT_ULong length = 0;
        result = TableRead::Absent;
        if (!FT_Load_Sfnt_Table(ftFace, tag, 0, nullptr, &length)) {
            bytes.resize(length);
            if (!length || !FT_Load_Sfnt_Table(ftFace, tag, 0, bytes.data(), &length))
                result = TableRead::Found;
        }
        FT_Done_Face(ftFace);
    }
    FT_Done_FreeType(library);
    return result;
}

}  // namespace

struct FaceFile::Opened {
    explicit Opened(const std::string& path) : file(path) {}
    FileBytes file;
    DirectoryStatus status = DirectoryStatus::ReadFailed;
    FaceDirectory directory;
};

FaceFile::FaceFile(const FaceSource& face) : face_(face), opened_(std::make_unique<Opened>(face.file))
{
    // Named instances of a variable face keep their number above bit 16.
    if (opened_->file.ok())
        opened_->status = FaceDirectory::Read(opened_->file, uint32_t(face.index) & 0xFFFF, opened_->directory);
}

FaceFile::~FaceFile() = default;

TableRead FaceFile::Table(const char tag[4], std::vector<uint8_t>& bytes) const
{
    switch (opened_->status) {
    case DirectoryStatus::Found:
        break;
    case DirectoryStatus::Missing:
        return TableRead::Absent;
    case DirectoryStatus::NotSfnt:
        return ReadTableWithFreeType(face_, TableTag(tag), bytes);
    case DirectoryStatus::ReadFailed:
        return TableRead::Unreadable;
    }
    const std::optional<TableRecord> record = opened_->directory.Find(TableTag(tag));
    if (!record)
        return TableRead::Absent;
    // The directory has checked the range against the file's size, so a
    // length of up to 4 GiB is never allocated for a file that lacks it.
    bytes.resize(record->length);
    if (record->length && !opened_->file.Read(record->offset, record->length, bytes.data()))
        return TableRead::Unreadable;
    return TableRead::Found;
}

std::optional<std::vector<uint8_t>> ReadFontTable(const FaceSource& face, const char tag[4])
{
    std::vector<uint8_t> bytes;
    if (FaceFile(face).Table(tag, bytes) != TableRead::Found)
        return std::nullopt;
    return bytes;
}

bool ReadOS2(const FaceSource& face, OS2Tbl& os2)
{
    const auto bytes = ReadFontTable(face, "OS/2");
    if (!bytes)
        return false;
    os2 = OS2Tbl(bytes->data(), bytes->size());
    return true;
}

