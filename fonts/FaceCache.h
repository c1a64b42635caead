#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "SafeFile.h"

// What the catalogue keeps of one face between runs: all it needs to enter the
// face without opening its file.
struct FaceSummary {
    bool entered = false;         // false: no readable cmap, the catalogue passes the face over
    uint64_t scriptCoverage = 0;  // bit k: U+0860 + k is covered
    uint32_t coveredCount = 0;    // code points covered in all
    bool hasOS2 = false;
    std::vector<uint8_t> os2;     // the OS/2 table's first bytes, as many as OS2Tbl reads

    friend bool operator==(const FaceSummary&, const FaceSummary&) = default;
};

// One face of one font file.
struct FaceKey {
    std::string file;
    int index = 0;

    friend bool operator==(const FaceKey&, const FaceKey&) = default;
};

struct FaceKeyHash {
    size_t operator()(const FaceKey& key) const;
};

struct CachedFace {
    FileStamp stamp;
    FaceSummary summary;

    friend bool operator==(const CachedFace&, const CachedFace&) = default;
};

using CachedFaces = std::unordered_map<FaceKey, CachedFace, FaceKeyHash>;

// The file's bytes for these faces, and back. Decoding refuses the whole file
// on any fault (another magic or version, a bad checksum, a count or a length
// that does not add up, a field out of its range, faces out of key order or a
// face twice): a damaged cache is never partly trusted.
std::string EncodeFaceCache(const CachedFaces& faces);
std::optional<CachedFaces> DecodeFaceCache(std::string_view bytes);

// The face summaries of earlier runs, kept in a file of the user's cache
// folder. A face's summary is used only while its file keeps the stamp it had
// when the face was read. Nothing here is ever fatal: a cache that cannot be
// read counts as empty, one that cannot be written is left as it is.
class FaceCache {
public:
    // $XDG_CACHE_HOME/vorn when that is an absolute path, else ~/.cache/vorn;
    // nothing when neither can be named.
    static std::optional<std::string> DefaultFolder();

    // Reads the cache file of that folder into memory of its own, in one read,
    // and checks it whole now; a face's record is decoded only when it is
    // asked for. A file that is not a regular file, or that changes while it
    // is read, counts as missing or damaged.
    explicit FaceCache(std::string folder);
    ~FaceCache();
    FaceCache(const FaceCache&) = delete;
    FaceCache& operator=(const FaceCache&) = delete;

    // The summary of the face while its file has that stamp; marks the face as
    // still installed.
    std::optional<FaceSummary> Find(std::string_view file, int index, const FileStamp& stamp);
    std::optional<FaceSummary> Find(const FaceKey& key, const FileStamp& stamp) { return Find(key.file, key.index, stamp); }
    // A summary freshly read from the face's file, taken with the file's stamp
    // from before the read.
    void Put(const FaceKey& key, const FileStamp& stamp, FaceSummary summary);

    // When faces were read or faces that were in the file were neither found
    // nor put (uninstalled), writes the cache anew: under a lock on a file in
    // the folder, merged with what other processes have saved since this one
    // read the file, to a temporary file that is synced and renamed over the
    // cache. True when the file now holds this run's faces; false when nothing
    // had to be written or it could not be (no folder, no lock, no space).
    bool Save();

    static constexpr const char* FileName = "fonts.cache";

private:
    struct Loaded;
    std::string folder_;
    std::unique_ptr<Loaded> loaded_;  // the file as read; null when it was missing or damaged
    std::vector<bool> found_;         // per face of the file: still installed
    CachedFaces put_;                 // faces read afresh
};
