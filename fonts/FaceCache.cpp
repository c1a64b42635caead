#include "FaceCache.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "ByteReader.h"
#include "FaceCacheFormat.h"

namespace {

// Far more than any machine's faces need; a larger file is damage.
constexpr uint64_t kMaxFileSize = 256u << 20;

const char* kLockName = "fonts.lock";

// What was at the cache's name, or nothing when it is missing, not a regular
// file or too large to be a cache.
std::optional<std::string> ReadCacheFile(const std::string& path)
{
    ReadResult read = ReadWholeFile(path, kMaxFileSize);
    if (read.status != ReadStatus::Ok)
        return std::nullopt;
    return std::move(read.bytes);
}

}  // namespace

size_t FaceKeyHash::operator()(const FaceKey& key) const
{
    return std::hash<std::string>()(key.file) ^ (size_t(key.index) * 0x9E3779B97F4A7C15ull);
}

std::optional<std::string> FaceCache::DefaultFolder()
{
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    // A relative XDG_CACHE_HOME is invalid and ignored, as the base
    // directory rules say.
    if (cacheHome && cacheHome[0] == '/')
        return std::string(cacheHome) + "/vorn";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.cache/vorn";
    return std::nullopt;
}

// The cache file as read, in memory of the process's own: a file mapped
// instead would change under the checked bytes when another program writes
// into it (a copy, dd), and fault when it is truncated.
struct FaceCache::Loaded {
    std::string bytes;
    ByteReader payload{nullptr, 0};
    std::vector<uint32_t> starts;  // of each face's record in the payload, in key order

    FaceRecord At(size_t face) const
    {
        FaceRecord record;
        size_t pos = starts[face];
        ReadRecord(payload, pos, record);
        return record;
    }

    static std::unique_ptr<Loaded> Read(const std::string& path)
    {
        auto loaded = std::make_unique<Loaded>();
        std::optional<std::string> bytes = ReadCacheFile(path);
        if (!bytes)
            return nullptr;
        loaded->bytes = std::move(*bytes);
        auto indexed = IndexFaceCache(loaded->bytes);
        if (!indexed)
            return nullptr;
        loaded->payload = ByteReader(reinterpret_cast<const uint8_t*>(indexed->first.data()), indexed->first.size());
        loaded->starts = std::move(indexed->second);
        return loaded;
    }
};

FaceCache::FaceCache(std::string folder) : folder_(std::move(folder)), loaded_(Loaded::Read(folder_ + "/" + FileName))
{
    if (loaded_)
        found_.resize(loaded_->starts.size());
}

FaceCache::~FaceCache() = default;

std::optional<FaceSummary> FaceCache::Find(std::string_view file, int index, const FileStamp& stamp)
{
    if (!loaded_ || index < 0)
        return std::nullopt;
    const std::vector<uint32_t>& starts = loaded_->starts;
    // The first face whose key is not before the one asked for.
    const auto at = std::partition_point(starts.begin(), starts.end(), [&](uint32_t start) {
        const auto key = KeyAt(loaded_->payload, start);
        return KeyBefore(key->first, key->second, file, uint32_t(index));
    });
    if (at == starts.end())
        return std::nullopt;
    const size_t face = size_t(at - starts.begin());
    const FaceRecord record = loaded_->At(face);
    if (record.file != file || record.index != uint32_t(index) || !(record.stamp == stamp))
        return std::nullopt;
    found_[face] = true;
    return record.Summary();
}

void FaceCache::Put(const FaceKey& key, const FileStamp& stamp, FaceSummary summary)
{
    put_[key] = CachedFace{stamp, std::move(summary)};
}

bool FaceCache::Save()
{
    // Faces of the file that this run neither found nor read: uninstalled.
    std::vector<size_t> gone;
    for (size_t face = 0; face < found_.size(); ++face)
        if (!found_[face] && !put_.count(loaded_->At(face).Key()))
            gone.push_back(face);
    if (put_.empty() && gone.empty())
        return false;

    if (!MakeFolders(folder_))
        return false;
    const FolderLock lock(folder_, kLockName);
    if (!lock.held())
        return false;

    // Another process may have saved since this one read the file: its faces
    // stay, and this run's changes go on top of them.
    const std::string path = folder_ + "/" + FileName;
    const std::optional<std::string> current = ReadCacheFile(path);
    CachedFaces merged = current ? DecodeFaceCache(*current).value_or(CachedFaces()) : CachedFaces();
    for (const size_t face : gone) {
        const FaceRecord record = loaded_->At(face);
        const auto now = merged.find(record.Key());
        // Removed only as this run saw it; a newer reading stays.
        if (now != merged.end() && now->second == record.Face())
            merged.erase(now);
    }
    // What this run found stays, unless another process has read it anew.
    for (size_t face = 0; face < found_.size(); ++face) {
        if (found_[face]) {
            const FaceRecord record = loaded_->At(face);
            merged.emplace(record.Key(), record.Face());
        }
    }
    for (const auto& [key, face] : put_)
        merged[key] = face;

    const std::string bytes = EncodeFaceCache(merged);
    if (current && *current == bytes)
        return true;
    return ReplaceFile(path, bytes, PrivateFileOptions()).ok();
}
