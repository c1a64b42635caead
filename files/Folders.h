#pragma once

#include <ctime>
#include <string>
#include <vector>

// Makes the folder and its missing parents, new ones with mode 0700. True when
// the folder exists now.
bool MakeFolders(const std::string& folder);

// Makes a rename in the folder durable; the data is already safe either way.
void SyncFolder(const std::string& folder);

struct FolderEntry {
    std::string name;
    bool regular = false;  // a regular file itself, not a link to one
    timespec modified{};
};

// The entries of folder but "." and "..", unsorted; none when it cannot be
// listed.
std::vector<FolderEntry> ListFolder(const std::string& folder);

// Renames from to to unless to exists, so that of two processes claiming one
// file at once only one has it, and neither overwrites what the other made.
// Answers 0 or the errno (ENOENT: from is gone, another took it first).
int ClaimFile(const std::string& from, const std::string& to);
