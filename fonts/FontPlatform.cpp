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

#include "ByteReader.h"

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

constexpr uint32_t Tag(const char tag[4])
{
    return (uint32_t(uint8_t(tag[0])) << 24) | (uint32_t(uint8_t(tag[1])) << 16)
        | (uint32_t(uint8_t(tag[2])) << 8) | uint32_t(uint8_t(tag[3]));
}

constexpr uint32_t kTagCollection = 0x74746366;  // 'ttcf'
constexpr uint32_t kSfntTrueType = 0x00010000;
constexpr uint32_t kSfntOpenType = 0x4F54544F;  // 'OTTO'
constexpr uint32_t kSfntApple = 0x74727565;     // 'true'
constexpr size_t kOffsetTableSize = 12;
constexpr size_t kTableRecordSize = 16;
constexpr size_t kCollectionHeaderSize = 12;

class FileHandle {
public:
    explicit FileHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileHandle()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool ok() const { return fd_ >= 0; }

    // The file's size in bytes, 0 when unknown.
    uint64_t size() const
    {
        struct stat info {};
        return fstat(fd_, &info) == 0 && info.st_size > 0 ? uint64_t(info.st_size) : 0;
    }

    // Exactly n bytes at offset, or false.
    bool read(uint64_t offset, size_t n, uint8_t* out) const
    {
        size_t done = 0;
        while (done < n) {
            ssize_t got = ::pread(fd_, out + done, n - done, off_t(offset + done));
            if (got <= 0)
                return false;
            done += size_t(got);
        }
        return true;
    }

private:
    int fd_;
};

enum class SfntResult { Found, Missing, NotSfnt };

// Reads the table directory of the face straight from the file: much cheaper
// than having FreeType set up a whole face only to hand back one table.
SfntResult ReadSfntTable(const FaceSource& face, uint32_t tag, std::vector<uint8_t>& out)
{
    FileHandle file(face.file);
    if (!file.ok())
        return SfntResult::Missing;

    uint8_t header[kCollectionHeaderSize];
    if (!file.read(0, sizeof header, header))
        return SfntResult::NotSfnt;
    ByteReader reader(header, sizeof header);
    uint32_t signature = 0;
    reader.u32(0, signature);

    uint64_t directory = 0;
    // Named instances of a variable face keep their number above bit 16.
    const uint32_t faceIndex = uint32_t(face.index) & 0xFFFF;
    if (signature == kTagCollection) {
        uint32_t numFonts = 0;
        reader.u32(8, numFonts);
        if (faceIndex >= numFonts)
            return SfntResult::Missing;
        uint8_t offset[4];
        if (!file.read(kCollectionHeaderSize + 4 * uint64_t(faceIndex), 4, offset))
            return SfntResult::Missing;
        uint32_t at = 0;
        ByteReader(offset, 4).u32(0, at);
        directory = at;
        uint8_t inner[kOffsetTableSize];
        if (!file.read(directory, sizeof inner, inner))
            return SfntResult::Missing;
        std::memcpy(header, inner, sizeof inner);
        reader.u32(0, signature);
    } else if (faceIndex != 0) {
        return SfntResult::Missing;
    }
    if (signature != kSfntTrueType && signature != kSfntOpenType && signature != kSfntApple)
        return SfntResult::NotSfnt;

    uint16_t numTables = 0;
    reader.u16(4, numTables);
    std::vector<uint8_t> records(size_t(numTables) * kTableRecordSize);
    if (!file.read(directory + kOffsetTableSize, records.size(), records.data()))
        return SfntResult::Missing;
    ByteReader recordReader(records.data(), records.size());
    for (size_t i = 0; i < numTables; ++i) {
        const size_t at = i * kTableRecordSize;
        uint32_t recordTag = 0, offset = 0, length = 0;
        recordReader.u32(at, recordTag);
        if (recordTag != tag)
            continue;
        recordReader.u32(at + 8, offset);
        recordReader.u32(at + 12, length);
        // A directory that claims more bytes than the file holds must not make
        // us allocate them (up to 4 GiB) before the read fails.
        if (uint64_t(offset) + length > file.size())
            return SfntResult::Missing;
        out.resize(length);
        if (length && !file.read(offset, length, out.data()))
            return SfntResult::Missing;
        return SfntResult::Found;
    }
    return SfntResult::Missing;
}

// Wrapped formats (WOFF and the like) that the font database lists through
// FreeType are read through FreeType.
std::optional<std::vector<uint8_t>> ReadTableWithFreeType(const FaceSource& face, uint32_t tag)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library))
        return std::nullopt;
    std::optional<std::vector<uint8_t>> result;
    FT_Face ftFace = nullptr;
    if (!FT_New_Face(library, face.file.c_str(), face.index & 0xFFFF, &ftFace)) {
        FT_ULong length = 0;
        if (!FT_Load_Sfnt_Table(ftFace, tag, 0, nullptr, &length)) {
            std::vector<uint8_t> bytes(length);
            if (!length || !FT_Load_Sfnt_Table(ftFace, tag, 0, bytes.data(), &length))
                result = std::move(bytes);
        }
        FT_Done_Face(ftFace);
    }
    FT_Done_FreeType(library);
    return result;
}

}  // namespace

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
    const uint32_t packed = Tag(tag);
    std::vector<uint8_t> bytes;
    switch (ReadSfntTable(face, packed, bytes)) {
    case SfntResult::Found:
        return bytes;
    case SfntResult::Missing:
        return std::nullopt;
    case SfntResult::NotSfnt:
        break;
    }
    return ReadTableWithFreeType(face, packed);
}

void ForgetFontDatabase()
{
    std::lock_guard lock(databaseMutex);
    database = FontDatabase();
}
