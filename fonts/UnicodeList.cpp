#include "UnicodeList.h"

#include <sys/mman.h>

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

namespace {

[[noreturn]] void OutOfMemory()
{
    std::fputs("out of memory\n", stderr);
    std::exit(1);
}

using SummaryVisitor = std::function<void(std::string_view name, const FaceSummary& summary)>;

// Hands visit each installed family that the catalogue enters, in key order,
// with its face's summary: from the cache while the face's file keeps its
// stamp, else read from the file (and put into the cache when the reading
// lasts). Without a cache every face is read. Several family names often lead
// to the same face (a family's own name and its typographic name, names in
// several languages): each face is looked at once.
void VisitSummaries(FaceCache* cache, const SummaryVisitor& visit)
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
// that each entry goes at the end of the map.
UnicodeList::UnicodeList()
{
    try {
        const std::shared_ptr<const InstalledFonts> installed = ListInstalledFonts();
        // The entry made from each face read so far; null when it was not entered.
        std::vector<const FontProp*> entries(installed->faces.size(), nullptr);
        std::vector<bool> read(installed->faces.size());
        for (const auto& [name, number] : installed->families) {
            if (read[number]) {
                if (entries[number])
                    Faces.try_emplace(Faces.end(), AnsiString(name), *entries[number])->second.Name = name;
                continue;
            }
            read[number] = true;
            // Filled in place: map nodes stay put, and each entry is 8 KB.
            const auto at = Faces.try_emplace(Faces.end(), AnsiString(name));
            FontProp& entry = at->second;
            entry.Name = name;
            std::vector<uint8_t> os2;
            if (!ReadFace(installed->Source(number), entry, os2).entered) {
                Faces.erase(at);
                continue;
            }
            entries[number] = &entry;
        }
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
}

UnicodeList::UnicodeList(FaceCache& cache)
{
    try {
        VisitSummaries(&cache, [this](std::string_view name, const FaceSummary& summary) {
            FontProp& entry = Faces.try_emplace(Faces.end(), AnsiString(name))->second;
            entry.Name = name;
            Enter(summary, entry);
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
    FaceCache cache(*folder);
    UnicodeList catalogue(cache);
    cache.Save();
    return catalogue;
}

void VisitCatalogue(bool useCache, const SummaryVisitor& visit)
{
    try {
        const std::optional<std::string> folder = useCache ? FaceCache::DefaultFolder() : std::nullopt;
        if (!folder) {
            VisitSummaries(nullptr, visit);
            return;
        }
        FaceCache cache(*folder);
        VisitSummaries(&cache, visit);
        cache.Save();
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
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
