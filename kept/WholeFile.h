#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Reading and writing a file whole, for the text's own files.

struct WholeFileRead {
    std::string bytes;
    // Empty when the file was read; else why not.
    std::string error;
    // The file holds more than the limit: bytes is empty.
    bool tooLarge = false;
};

// Reads a regular file of at most limit bytes; a FIFO, a device or a folder
// is refused without waiting on it.
WholeFileRead ReadWholeFile(const std::string& name, std::size_t limit);

// Replaces the file by bytes atomically: a temporary file in the same folder,
// every write checked, synced, renamed over the name. On failure the old file
// is left as it was, no temporary file remains, and the answer says why.
std::optional<std::string> ReplaceWholeFile(const std::string& name, std::string_view bytes);
