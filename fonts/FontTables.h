#pragma once

// The tables of one installed face, read from its file.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "FontPlatform.h"
#include "OS2Tbl.h"

// What a face's file gave for one table.
enum class TableRead {
    Found,       // the table's bytes
    Absent,      // the face has no such table (or none inside its file), or no such face
    Unreadable,  // the file or the face could not be read at all; another try may fare better
};

// One face's file, opened to read tables: the file's directory is read once,
// then each table reads just its own bytes. Files that are not TrueType or
// OpenType (wrapped formats that the font database lists through FreeType)
// are read through FreeType.
class FaceFile {
public:
    explicit FaceFile(const FaceSource& face);
    ~FaceFile();
    FaceFile(const FaceFile&) = delete;
    FaceFile& operator=(const FaceFile&) = delete;

    TableRead Table(const char tag[4], std::vector<uint8_t>& bytes) const;

private:
    struct Opened;
    FaceSource face_;
    std::unique_ptr<Opened> opened_;
};

// The bytes of one sfnt table of the face ("cmap", "OS/2", "hhea"...), or
// nothing when the face has no such table or cannot be opened.
std::optional<std::vector<uint8_t>> ReadFontTable(const FaceSource& face, const char tag[4]);

// Reads the face's OS/2 table into os2. False, with os2 untouched, when the
// face has no such table.
bool ReadOS2(const FaceSource& face, OS2Tbl& os2);
