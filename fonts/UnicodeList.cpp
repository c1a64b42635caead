#include "UnicodeList.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "CmapTbl.h"
#include "FaceCache.h"
#include "FontPlatform.h"
#include "ScriptFaces.h"

namespace {

// OS2Tbl reads nothing behind byte 95, so that much of the table is all the
// cache keeps of it.
constexpr size_t kOS2BytesRead = 96;

struct Reading {
    bool entered = false;
    // False when the file could not be read at all: a later run may fare
    // better, so the answer is not kept.
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
        os2.resize(std::min(os2.size(), kOS2BytesRead));
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

void Enter(const FaceSummary& summary, FontProp& prop)
{
    prop.HasOS2 = summary.hasOS2;
    if (summary.hasOS2)
        prop.OS2 = OS2Tbl(summary.os2.data(), summary.os2.size());
    for (uint32_t code = kScriptFirst; code <= kScriptLast; ++code)
        if (summary.scriptCoverage & (uint64_t(1) << (code - kScriptFirst)))
            prop.MarkCovered(uint16_t(code));
    prop.CoveredCount = summary.coveredCount;
}

// Each entry carries an 8 KB coverage set. At thousands of faces, touching
// that much fresh memory one 4 KB page at a time costs more than everything
// else the catalogue does (on some virtual machines tens of microseconds a
// page), so the entries are placed in huge pages where the system offers them.
class HugePageMemory : public std::pmr::memory_resource {
    static constexpr size_t kHugePage = size_t(2) << 20;

    static size_t Rounded(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

    void* do_allocate(size_t bytes, size_t /*alignment: a page's is more than any*/) override
    {
        const size_t length = Rounded(bytes);
        // Mapped one huge page larger, so that a huge-page boundary can start it.
        void* mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        auto* const raw = static_cast<uint8_t*>(mapped);
        auto* const start = reinterpret_cast<uint8_t*>(Rounded(reinterpret_cast<uintptr_t>(raw)));
        if (start > raw)
            munmap(raw, size_t(start - raw));
        munmap(start + length, size_t(raw + kHugePage - start));
        madvise(start, length, MADV_HUGEPAGE);  // advice only: without it, plain pages
        return start;
    }

    void do_deallocate(void* block, size_t bytes, size_t) override { munmap(block, Rounded(bytes)); }

    bool do_is_equal(const memory_resource& other) const noexcept override { return this == &other; }
};

// A base of its own, so that the pages outlive the arena's release of them.
struct HugePages {
    HugePageMemory pages;
};

// Blocks taken from huge pages, released all together with the catalogue.
class EntryArena : private HugePages, public std::pmr::monotonic_buffer_resource {
public:
    EntryArena() : monotonic_buffer_resource(size_t(2) << 20, &pages) {}
};

}  // namespace

std::unique_ptr<std::pmr::memory_resource> UnicodeList::EntryMemory()
{
    return std::make_unique<EntryArena>();
}

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
    FaceCache* cache = nullptr;
    // The entry made from each face read so far; null when it was not entered.
    std::map<std::pair<std::string, int>, const FontProp*> byFace;
};

UnicodeList::UnicodeList()
{
    Build(nullptr);
}

UnicodeList::UnicodeList(FaceCache& cache)
{
    Build(&cache);
}

void UnicodeList::Build(FaceCache* cache)
{
    try {
        ProbeCache probed;
        probed.cache = cache;
        for (const AnsiString& name : EnumerateFaceNames())
            ProbeFace(name, probed);
    } catch (const std::bad_alloc&) {
        std::fputs("out of memory\n", stderr);
        std::exit(1);
    }
}

void UnicodeList::ProbeFace(const AnsiString& name, ProbeCache& probed)
{
    if (Faces.count(name))
        return;
    // The platform's face-name field of 31 bytes does not exist here: the face
    // is selected by its whole name, since a cut name would name no family.
    const std::optional<FaceSource> face = SelectFace(name);
    if (!face)
        return;

    auto [earlier, isNew] = probed.byFace.try_emplace(std::make_pair(face->file, face->index), nullptr);
    if (!isNew) {
        if (earlier->second) {
            FontProp& entry = Faces.emplace(name, *earlier->second).first->second;
            entry.Name = name;
        }
        return;
    }

    // Filled in place: map nodes stay put, and each entry is 8 KB.
    const auto at = Faces.try_emplace(name).first;
    FontProp& entry = at->second;
    entry.Name = name;
    std::vector<uint8_t> os2;
    bool entered = false;
    if (!probed.cache) {
        entered = ReadFace(*face, entry, os2).entered;
    } else {
        const FaceKey key{face->file, face->index};
        // Taken before the read: a file that changes during it gets another
        // stamp, and is read again next time.
        const std::optional<FileStamp> stamp = StampOf(face->file);
        const FaceSummary* summary = stamp ? probed.cache->Find(key, *stamp) : nullptr;
        FaceSummary fresh;
        if (!summary) {
            FontProp whole;
            const Reading reading = ReadFace(*face, whole, os2);
            fresh = Summarize(whole, reading, std::move(os2));
            if (stamp && reading.lasting)
                probed.cache->Put(key, *stamp, fresh);
            summary = &fresh;
        }
        entered = summary->entered;
        if (entered)
            Enter(*summary, entry);
    }
    if (!entered) {
        Faces.erase(at);
        return;
    }
    earlier->second = &entry;
}

UnicodeList BuildCatalogue(bool useCache)
{
    const std::optional<std::string> folder = useCache ? FaceCache::DefaultFolder() : std::nullopt;
    if (!folder)
        return UnicodeList();
    FaceCache cache(*folder);
    UnicodeList catalogue(cache);
    cache.Save();
    return catalogue;
}

std::optional<FontProp> ReadFaceEntry(const AnsiString& name)
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
