#include "UnicodeList.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "CmapTbl.h"
#include "FontPlatform.h"

bool FaceNameOrder::operator()(const AnsiString& a, const AnsiString& b) const
{
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    // memcmp compares as unsigned char, whatever the signedness of char.
    const int order = std::memcmp(a.data(), b.data(), common);
    return order != 0 ? order < 0 : a.size() < b.size();
}

// Several family names often lead to the same face (a family's own name and
// its typographic name, names in several languages): each face's tables are
// read and parsed once per build, and its entry is copied for the others.
struct UnicodeList::ProbeCache {
    // The entry made from each face read so far; null when it was not entered.
    std::map<std::pair<std::string, int>, const FontProp*> byFace;
};

UnicodeList::UnicodeList()
{
    try {
        ProbeCache cache;
        for (const AnsiString& name : EnumerateFaceNames())
            ProbeFace(name, cache);
    } catch (const std::bad_alloc&) {
        std::fputs("out of memory\n", stderr);
        std::exit(1);
    }
}

void UnicodeList::ProbeFace(const AnsiString& name, ProbeCache& cache)
{
    if (Faces.count(name))
        return;
    // The platform's face-name field of 31 bytes does not exist here: the face
    // is selected by its whole name, since a cut name would name no family.
    const std::optional<FaceSource> face = SelectFace(name);
    if (!face)
        return;

    auto [cached, isNew] = cache.byFace.try_emplace(std::make_pair(face->file, face->index), nullptr);
    if (!isNew) {
        if (cached->second) {
            FontProp& entry = Faces.emplace(name, *cached->second).first->second;
            entry.Name = name;
        }
        return;
    }

    // A cmap of zero bytes parses to no tables: the face is entered and
    // covers nothing, like one without a Windows Unicode subtable.
    const auto bytes = ReadFontTable(*face, "cmap");
    if (!bytes)
        return;  // no readable cmap: not entered
    std::optional<CmapTbl> cmap;
    try {
        cmap.emplace(bytes->data(), bytes->size());
    } catch (int) {
        return;  // a (3, 1) subtable this parser cannot read: the face is passed over
    }
    // Filled in place: map nodes stay put, and each entry is 8 KB.
    FontProp& entry = Faces.try_emplace(name).first->second;
    entry.Name = name;
    entry.HasOS2 = ReadOS2(*face, entry.OS2);
    for (const EncodingTable& table : cmap->tables)
        for (const Encoding& mapping : table.mappings)
            entry.MarkCovered(mapping.code);
    cached->second = &entry;
}
