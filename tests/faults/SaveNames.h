#pragma once

#include <string>

// The two face names that the save helper writes in turn. The long one makes
// each write take long enough for a kill to land in the middle of it.
inline std::string ShortSaveName()
{
    return "Vorn Test Sans";
}

inline std::string LongSaveName()
{
    std::string name = "Vorn Long Face ";
    while (name.size() < 256 * 1024)
        name += "0123456789abcdef";
    return name;
}

// The whole file that a finished save of name leaves.
inline std::string SavedFile(const std::string& name)
{
    return "[VORN]\nFontName=" + name + "\n";
}
