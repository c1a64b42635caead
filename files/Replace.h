#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>

#include "FileResult.h"

// What a caller may rely on:
// - ReplaceFile never leaves a half-written file under the name: the bytes go
//   to a fresh temporary file in the same folder (see Temporaries.h; never a
//   planted entry written through), every write is checked, the file is
//   synced, renamed over the name and the folder synced. On any failure the
//   temporary file is removed and the old file is byte for byte as it was;
//   the result says why.
// - Success is reported only once every byte has been written and synced.
// - A save removes nothing but its own temporary file, and, at the first
//   save of a name in the process, that name's temporary files proven
//   abandoned by writers that were killed.

struct ReplaceOptions {
    // Permission bits of a file that did not exist (the umask applies); an
    // existing file keeps its own mode and, where the process may, its owner.
    mode_t newFileMode = 0666;
    // true: a symlink at the name is followed and the file it points to is
    // replaced, the link staying (so a linked settings file stays linked);
    // false: the entry at the name itself is replaced.
    bool followSymlinks = true;
    // true: an existing entry that is not a regular file (a FIFO, a device, a
    // socket) is replaced like a file; for a cache that a planted entry must
    // not stop. false: such an entry is an error and stays.
    bool replaceNonRegular = false;
    // true: an existing file that the process may not write (made read-only by
    // its owner) is refused rather than replaced behind the owner's back.
    bool keepReadOnly = true;
};

// The program's own files (the face cache, the kept texts): private, and no
// entry planted under the name (link, FIFO, read-only file) stops a save.
ReplaceOptions PrivateFileOptions();

// Replaces the file at path with bytes, whole or not at all (see the top).
FileResult ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});
