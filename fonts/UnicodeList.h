#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "AnsiString.h"
#include "OS2Tbl.h"

// What the catalogue records for one face.
struct FontProp {
    AnsiString Name;
    bool HasOS2 = false;
    OS2Tbl OS2;
    // Code point c is covered when bit (c mod 8) of byte (c div 8) is set: the
    // coverage question is one byte read and one mask, whatever the face maps.
    std::array<uint8_t, 8192> Coverage{};

    bool Covers(uint16_t code) const { return (Coverage[code >> 3] & (1u << (code & 7))) != 0; }
    void MarkCovered(uint16_t code) { Coverage[code >> 3] |= uint8_t(1u << (code & 7)); }
};

// Face names compare as strings of unsigned bytes: case-sensitive, locale-free,
// a proper prefix first.
struct FaceNameOrder {
    bool operator()(const AnsiString& a, const AnsiString& b) const;
};

using FaceMap = std::map<AnsiString, FontProp, FaceNameOrder>;

// The catalogue of the installed TrueType faces, complete when constructed:
// every family name that the font database knows is probed, and each face whose
// cmap table can be read is entered under that name.
class UnicodeList {
public:
    UnicodeList();

    FaceMap Faces;

private:
    struct ProbeCache;
    void ProbeFace(const AnsiString& name, ProbeCache& cache);
};
