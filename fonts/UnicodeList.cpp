#include "UnicodeList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "CmapTbl.h"
#include "FaceCache.h"
#include "FontPlatform.h"
#include "FontTables.h"
#include "ScriptFaces.h"

namespace {

struct Reading {
    bool entered = false;
    // False when the file could not be read at all: a later run may fare
    // better, so the result is not kept.
    bool lasting = true;
};

// Reads the face's tables into prop, with its whole coverage, and the first
// bytes of its OS/2 table into os2.
Reading ReadFace(const FaceSource& face, FontProp& prop, std::vector<uint8_t>& os2)
{
    const FaceFile file(face);
    std::vector<uint8_t> bytes;
    switch (file.Table("cmap", bytes)) {
    case TableRead::Found:
        break;
    case TableRead::Absent:
        return {};  // no cmap: not entered
    case TableRead::Unreadable:
        return {false, false};
    }
    // A cmap of zero bytes parses to no tables: the face is entered and
    // covers nothing, like one without a Windows Unicode subtable.
    std::optional<CmapTbl> cmap;
    try {
        cmap.emplace(bytes.data(), bytes.size());
    } catch (int) {
        return {};  // a (3, 1) subtable this parser cannot read: the face is passed over
    }

    Reading reading{true, true};
    os2.clear();
    switch (file.Table("OS/2", os2)) {
    case TableRead::Found:
        prop.HasOS2 = true;
        prop.OS2 = OS2Tbl(os2.data(), os2.size());
        os2.resize(std::min(os2.size(), OS2BytesRead));
        break;
    case TableRead::Unreadable:
        reading.lasting = false;
        [[fallthrough]];
    case TableRead::Absent:
        prop.HasOS2 = false;
        os2.clear();
        break;
    }
    for (const EncodingTable& table : cmap->tables)
        for (const Encoding& mapping : table.mappings)
            prop.MarkCovered(mapping.code);
    return reading;
}

FaceSummary Summarize(const FontProp& prop, const Reading& reading, std::vector<uint8_t> os2)
{
    FaceSummary summary;
    summary.entered = reading.entered;
    if (!reading.entered)
        return summary;
    for (uint32_t code = kScriptFirst; code <= kScriptLast; ++code)
        if (prop.Covers(uint16_t(code)))
            summary.scriptCoverage |= uint64_t(1) << (code - kScriptFirst);
    summary.coveredCount = prop.CoveredCount;
    summary.hasOS2 = prop.HasOS2;
    summary.os2 = std::move(os2);
    return summary;
}

}  // namespace

bool FaceNameOrder::operator()(const AnsiString& a, const AnsiString& b) const
{
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    // memcmp compares as unsigned char, whatever the signedness of char.
    const int order = std::memcmp(a.data(), b.data(), common);
    return order != 0 ? order < 0 : a.size() < b.size();
}

namespace {

[[noreturn]] void OutOfMemory()
{
    std::fputs("out of memory\n", stderr);
    std::exit(1);
}

// Hands visit each installed family that the catalogue enters, in key order,
// with its face's summary: from the cache while the face's file keeps its
// stamp, else read from the file (and put into the cache when the reading
// lasts). Without a cache every face is read. Several family names often lead
// to the same face (a family's own name and its typographic name, names in
// several languages): each face is looked at once.
template <typename Visit>
void VisitSummaries(FaceCache* cache, const Visit& visit)
{
    const std::shared_ptr<const InstalledFonts> installed = ListInstalledFonts();
    std::vector<uint8_t> names(installed->faces.size());  // per face, up to 2: how many families lead to it
    for (const auto& [name, number] : installed->families)
        names[number] = uint8_t(std::min(names[number] + 1, 2));
    FolderStamper stamper;
    // The summaries of faces that more than one family leads to, once looked at.
    std::unordered_map<size_t, FaceSummary> kept;
    for (const auto& [name, number] : installed->families) {
        const auto earlier = kept.find(number);
        if (earlier != kept.end()) {
            if (earlier->second.entered)
                visit(name, earlier->second);
            continue;
        }
        const InstalledFonts::Face& face = installed->faces[number];
        // Taken before the read: a file that changes during it gets another
        // stamp, and is read again next time.
        const std::optional<FileStamp> stamp = cache ? stamper.StampOf(face.file.data()) : std::nullopt;
        std::optional<FaceSummary> summary = stamp ? cache->Find(face.file, face.index, *stamp) : std::nullopt;
        if (!summary) {
            FontProp whole;
            std::vector<uint8_t> os2;
            const Reading reading = ReadFace(installed->Source(number), whole, os2);
            summary = Summarize(whole, reading, std::move(os2));
            if (stamp && reading.lasting)
                cache->Put(FaceKey{std::string(face.file), face.index}, *stamp, *summary);
        }
        if (summary->entered)
            visit(name, *summary);
        if (names[number] > 1)
            kept.emplace(number, std::move(*summary));
    }
}

}  // namespace

// The installed families come in std::string's order, which compares bytes
// as unsigned char with a proper prefix first: the catalogue's key order, so
// that each entry goes at the end.
UnicodeList::UnicodeList(FaceCache* cache)
{
    try {
        VisitSummaries(cache, [this](std::string_view name, const FaceSummary& summary) {
            FaceEntry entry;
            entry.scriptCoverage = summary.scriptCoverage;
            entry.coveredCount = summary.coveredCount;
            entry.hasOS2 = summary.hasOS2;
            entry.os2Length = uint8_t(std::min(summary.os2.size(), entry.os2.size()));
            std::copy_n(summary.os2.begin(), entry.os2Length, entry.os2.begin());
            Faces.emplace_back(AnsiString(name), entry);
        });
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
}

UnicodeList BuildCatalogue(bool useCache)
{
    const std::optional<std::string> folder = useCache ? FaceCache::DefaultFolder() : std::nullopt;
    if (!folder)
        return UnicodeList();
    // The cache is read and written whole, so it can run out of memory too.
    try {
        FaceCache cache(*folder);
        UnicodeList catalogue(&cache);
        cache.Save();
        return catalogue;
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
}

const FaceEntry* UnicodeList::Find(const AnsiString& name) const
{
    const auto at = std::lower_bound(Faces.begin(), Faces.end(), name,
                                     [](const auto& entry, const AnsiString& key) { return FaceNameOrder()(entry.first, key); });
    return at != Faces.end() && at->first == name ? &at->second : nullptr;
}

std::optional<FontProp> UnicodeList::Prop(const AnsiString& name) const
{
    return Find(name) ? ReadProp(name) : std::nullopt;
}

std::optional<FontProp> UnicodeList::ReadProp(const AnsiString& name)
{
    const std::optional<FaceSource> face = SelectFace(name);
    if (!face)
        return std::nullopt;
    std::optional<FontProp> prop(std::in_place);
    prop->Name = name;
    std::vector<uint8_t> os2;
    if (!ReadFace(*face, *prop, os2).entered)
        return std::nullopt;
    return prop;
}
