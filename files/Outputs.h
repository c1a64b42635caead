#pragma once

#include <string>
#include <string_view>

#include "FileResult.h"

// Writes an output that the user named: a missing name or a regular file is
// replaced as ReplaceFile does; an existing FIFO or character device is written
// to directly and stays (so a pipe or a terminal works), since replacing it
// would take it from whoever reads it; a folder, socket or block device is an
// error. Every byte is checked either way.
FileResult WriteOutput(const std::string& path, std::string_view bytes);
