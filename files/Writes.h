#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "FileResult.h"

// Writes all of bytes to fd, retrying short writes and EINTR; false with errno
// set on failure. Goes through the test seam below.
bool WriteAll(int fd, std::string_view bytes);

// Test seam: when set, every write through this layer fails with ENOSPC once
// this many bytes of it have been written. std::nullopt writes normally.
void SetWriteLimitForTesting(std::optional<std::size_t> bytes);

// Test seam: when set, a replace calls it with the path of its temporary file
// once every byte is written there and before it is renamed over the name, so
// that a test can hold a save in the middle; empty goes straight on.
void SetReplaceHoldForTesting(std::function<void(const std::string& temporary)> hold);
// Calls the hold, if any.
void HoldReplaceForTesting(const std::string& temporary);

// Flushes the standard output (C's and C++'s) and says whether everything
// written to it arrived; for commands to check at exit, since a full disk or a
// closed pipe shows up only there.
FileResult FlushStandardOutput();
