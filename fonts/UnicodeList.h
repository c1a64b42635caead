#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string_view>

#include "AnsiString.h"
#include "OS2Tbl.h"

class FaceCache;

// What the catalogue records for one face.
struct FontProp {
    AnsiString Name;
    bool HasOS2 = false;
    OS2Tbl OS2;
    // Code point c is covered when bit (c mod 8) of byte (c div 8) is set: the
    // coverage question is one byte read and one mask, whatever the face maps.
    // An entry of a catalogue built through the face cache has the bits of
    // U+0860..U+089F only; CoveredCount still counts the whole face.
    std::array<uint8_t, 8192> Coverage{};
    // How many code points the face covers.
    uint32_t CoveredCount = 0;

    bool Covers(uint16_t code) const { return (Coverage[code >> 3] & (1u << (code & 7))) != 0; }
    void MarkCovered(uint16_t code)
    {
        uint8_t& byte = Coverage[code >> 3];
        const uint8_t mask = uint8_t(1u << (code & 7));
        CoveredCount += (byte & mask) ? 0 : 1;
        byte |= mask;
    }
};

// Face names compare as strings of unsigned bytes: case-sensitive, locale-free,
// a proper prefix first.
struct FaceNameOrder {
    bool operator()(const AnsiString& a, const AnsiString& b) const;
};

using FaceMap = std::pmr::map<AnsiString, FontProp, FaceNameOrder>;

// The catalogue of the installed TrueType faces, complete when constructed:
// every family name that the font database knows is probed, and each face whose
// cmap table can be read is entered under that name.
class UnicodeList {
public:
    // Reads every face's tables; each entry has the face's whole coverage.
    UnicodeList();
    // Takes each face from the cache while its file is unchanged and reads
    // (and puts into the cache) the others. Entries know the coverage of
    // U+0860..U+089F only, besides the covered count, whether they came from
    // the cache or not, so that the catalogue is the same either way.
    explicit UnicodeList(FaceCache& cache);

    UnicodeList(UnicodeList&&) = default;
    // The entries' memory goes with the catalogue, so one catalogue cannot
    // take over another's entries.
    UnicodeList& operator=(UnicodeList&&) = delete;

private:
    // Where the entries live; made before Faces and released after it.
    static std::unique_ptr<std::pmr::memory_resource> EntryMemory();
    std::unique_ptr<std::pmr::memory_resource> memory_ = EntryMemory();

public:
    FaceMap Faces{memory_.get()};

};

// The catalogue as the program builds it: through the face cache in the
// user's cache folder, which is saved when anything in it changed; read from
// every face's file when useCache is false or there is no cache folder.
UnicodeList BuildCatalogue(bool useCache);

struct FaceSummary;

// What `vorn fonts` lists and counts, without building the window's entries:
// hands visit the name and the face's summary of each entry that the
// catalogue would make, in its key order. The summaries come through the face
// cache as in BuildCatalogue (which is then saved when anything in it
// changed), or are read from every face's file when useCache is false or
// there is no cache folder.
void VisitCatalogue(bool useCache, const std::function<void(std::string_view name, const FaceSummary& summary)>& visit);

// The one face of that family name read from its file, with its whole
// coverage; nothing when the catalogue would not enter it.
std::optional<FontProp> ReadFaceEntry(const AnsiString& name);
