#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AnsiString.h"

// Where a face lives: a font file and the face's index inside it (collections
// hold several faces).
struct FaceSource {
    std::string file;
    int index = 0;

    friend bool operator==(const FaceSource&, const FaceSource&) = default;
};

// The installed scalable faces, one name per family name that the platform's
// font database knows, each name once.
std::vector<AnsiString> EnumerateFaceNames();

// The font database's installed faces and family names, as the functions
// around it see them, in one piece for those that walk every family. The
// strings are the font database's own, kept while the object lives: at
// thousands of faces, copies of them cost more than the walk.
struct InstalledFonts {
    struct Face {
        std::string_view file;  // NUL-terminated
        int index = 0;
    };
    // Each installed face once.
    std::vector<Face> faces;
    // Every family name once, in byte order (std::string's order), with the
    // face that SelectFace gives for it: an index into faces.
    std::vector<std::pair<std::string_view, size_t>> families;

    FaceSource Source(size_t face) const { return FaceSource{std::string(faces[face].file), faces[face].index}; }

    // The first family whose name does not come before name.
    auto FamilyFrom(std::string_view name) const
    {
        return std::lower_bound(families.begin(), families.end(), name,
                                [](const auto& entry, std::string_view key) { return entry.first < key; });
    }

    std::shared_ptr<void> strings;  // holds the font database that the strings belong to
};

// The database's list, read on the first call; it does not change afterwards.
std::shared_ptr<const InstalledFonts> ListInstalledFonts();

// The installed face of that family name in regular style (or the closest
// style the family has). No substitution: an unknown name gives nothing.
std::optional<FaceSource> SelectFace(const AnsiString& name);

// As SelectFace, but when no family has that name the font database's best
// substitute is taken, as the platform's font mapper does for a drawing font.
std::optional<FaceSource> MatchFace(const AnsiString& name);

// The installed family that a toolkit drawing with fontconfig (Qt) ends up
// with for a font of that family name: the name itself when a family of that
// name is installed (in any case), else the family of the first face in
// fontconfig's fallback order for it, asked as the toolkit asks (roman, the
// user's language). Naming that family directly draws the same face while
// sparing the toolkit its own search, which compares every fallback with
// every installed family. The name itself when fontconfig gives nothing.
AnsiString DrawingFamily(const AnsiString& name);

// Drops what the functions above keep of the font database (its face list and
// the remembered selections), so that the next call reads it afresh. For
// measurements and tests; the program itself never needs it.
void ForgetFontDatabase();
