#pragma once

#include <cstdint>
#include <string>

enum class ReadStatus {
    Ok,
    Missing,     // no entry of that name
    NotRegular,  // a FIFO, device, socket or folder: never opened for reading
    TooLarge,    // larger than the limit
    Failed,      // could not be opened or read (permissions, I/O error)
};

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes;  // the whole file when Ok, else empty
};

// Reads the whole regular file at path into memory, at most limit bytes. A
// FIFO or device planted under the name is never waited on (the open does not
// block and the entry is looked at before anything is read). A file that grows
// or shrinks while it is read comes back as it was read, never as a fault; the
// caller checks what it got.
ReadResult ReadWholeFile(const std::string& path, std::uint64_t limit);
