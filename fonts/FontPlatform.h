#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AnsiString.h"

// Where a face lives: a font file and the face's index inside it (collections
// hold several faces).
struct FaceSource {
    std::string file;
    int index = 0;
};

// The installed scalable faces, one name per family name that the platform's
// font database knows, each name once.
std::vector<AnsiString> EnumerateFaceNames();

// The installed face of that family name in regular style (or the closest
// style the family has). No substitution: an unknown name gives nothing.
std::optional<FaceSource> SelectFace(const AnsiString& name);

// As SelectFace, but when no family has that name the font database's best
// substitute is taken, as the platform's font mapper does for a drawing font.
std::optional<FaceSource> MatchFace(const AnsiString& name);

// The bytes of one sfnt table of the face ("cmap", "OS/2", "hhea"...), or
// nothing when the face has no such table or cannot be opened.
std::optional<std::vector<uint8_t>> ReadFontTable(const FaceSource& face, const char tag[4]);

// Drops what the functions above keep of the font database (its face list and
// the remembered selections), so that the next call reads it afresh. For
// measurements and tests; the program itself never needs it.
void ForgetFontDatabase();
