#include "FontPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "FontDirectory.h"

namespace {

// One installed face as the font database lists it.
struct InstalledFace {
    FaceSource source;
    double weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    double width = FC_WIDTH_NORMAL;
};

// The font database's list, read once per process: fonts installed while the
// program runs are not seen until the next start, as with the font selector.
struct FontDatabase {
    bool loaded = false;
    std::vector<InstalledFace> faces;
    std::vector<AnsiString> names;                            // each family name once
    std::unordered_map<AnsiString, std::vector<size_t>> byName;  // name -> indices into faces
    std::unordered_map<AnsiString, std::optional<FaceSource>> selected;
    std::unordered_map<AnsiString, std::optional<FaceSource>> matched;
};

std::mutex databaseMutex;
FontDatabase database;

// A weight may be stored as an integer, a double or (for variable faces) a
// range; a range counts as the point of it nearest to regular.
double NumberOf(FcPattern* pattern, const char* object, double fallback, double preferred)
{
    FcValue value;
    if (FcPatternGet(pattern, object, 0, &value) != FcResultMatch)
        return fallback;
    switch (value.type) {
    case FcTypeInteger:
        return value.u.i;
    case FcTypeDouble:
        return value.u.d;
    case FcTypeRange: {
        double low = 0, high = 0;
        if (!FcRangeGetDouble(value.u.r, &low, &high))
            return fallback;
        return std::clamp(preferred, low, high);
    }
    default:
        return fallback;
    }
}

void LoadDatabase(FontDatabase& db)
{
    if (db.loaded)
        return;
    db.loaded = true;

    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH,
                                            FC_FONTFORMAT, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (!set)
        return;

    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* font = set->fonts[i];
        // TrueType and OpenType faces only: fontconfig reports the FreeType
        // driver, "TrueType" for glyf outlines and "CFF" for OpenType ones.
        FcChar8* format = nullptr;
        if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch) {
            const char* text = reinterpret_cast<const char*>(format);
            if (std::strcmp(text, "TrueType") != 0 && std::strcmp(text, "CFF") != 0)
                continue;
        }
        FcChar8* file = nullptr;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
            continue;
        int index = 0;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);

        InstalledFace face;
        face.source.file = reinterpret_cast<const char*>(file);
        face.source.index = index;
        face.weight = NumberOf(font, FC_WEIGHT, FC_WEIGHT_REGULAR, FC_WEIGHT_REGULAR);
        face.slant = int(NumberOf(font, FC_SLANT, FC_SLANT_ROMAN, FC_SLANT_ROMAN));
        face.width = NumberOf(font, FC_WIDTH, FC_WIDTH_NORMAL, FC_WIDTH_NORMAL);
        const size_t at = db.faces.size();
        db.faces.push_back(std::move(face));

        FcChar8* family = nullptr;
        for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n) {
            AnsiString name(reinterpret_cast<const char*>(family));
            auto [entry, isNew] = db.byName.try_emplace(name);
            if (isNew)
                db.names.push_back(name);
            // A face may repeat a family name in several languages.
            if (entry->second.empty() || entry->second.back() != at)
                entry->second.push_back(at);
        }
    }
    FcFontSetDestroy(set);
}

// How far a face is from regular: roman before slanted, then the width, then
// the weight; ties go to the lighter face, then to file and index so that the
// choice does not depend on the order of the database.
auto DistanceFromRegular(const InstalledFace& face)
{
    return std::make_tuple(face.slant == FC_SLANT_ROMAN ? 0 : 1, std::fabs(face.width - FC_WIDTH_NORMAL),
                           std::fabs(face.weight - FC_WEIGHT_REGULAR), face.weight, face.source.file,
                           face.source.index);
}

std::optional<FaceSource> SelectLocked(FontDatabase& db, const AnsiString& name)
{
    LoadDatabase(db);
    auto memo = db.selected.find(name);
    if (memo != db.selected.end())
        return memo->second;

    std::optional<FaceSource> best;
    auto family = db.byName.find(name);
    if (family != db.byName.end() && !family->second.empty()) {
        const InstalledFace* chosen = nullptr;
        for (size_t at : family->second) {
            const InstalledFace& face = db.faces[at];
            if (!chosen || DistanceFromRegular(face) < DistanceFromRegular(*chosen))
                chosen = &face;
        }
        best = chosen->source;
    }
    db.selected.emplace(name, best);
    return best;
}

std::optional<FaceSource> SubstituteFor(const AnsiString& name)
{
    FcPattern* pattern = FcPatternCreate();
    const char* family = name.empty() ? "sans-serif" : name.c_str();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return std::nullopt;
    std::optional<FaceSource> found;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FaceSource source;
        source.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &source.index);
        found = source;
    }
    FcPatternDestroy(match);
    return found;
}

// ---- Table access ------------------------------------------------------

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

std::vector<AnsiString> EnumerateFaceNames()
{
    std::lock_guard lock(databaseMutex);
    LoadDatabase(database);
    return database.names;
}

std::optional<FaceSource> SelectFace(const AnsiString& name)
{
    std::lock_guard lock(databaseMutex);
    return SelectLocked(database, name);
}

std::optional<FaceSource> MatchFace(const AnsiString& name)
{
    std::lock_guard lock(databaseMutex);
    auto memo = database.matched.find(name);
    if (memo != database.matched.end())
        return memo->second;
    std::optional<FaceSource> found;
    if (!name.empty())
        found = SelectLocked(database, name);
    if (!found)
        found = SubstituteFor(name);
    database.matched.emplace(name, found);
    return found;
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

void ForgetFontDatabase()
{
    std::lock_guard lock(databaseMutex);
    database = FontDatabase();
}
