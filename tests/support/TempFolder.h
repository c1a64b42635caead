#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "Files.h"

// A fresh folder under /tmp that is the working directory while it lives, since
// the settings functions work on the current working directory.
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/vorn-settings-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        chmod(path_.c_str(), 0700); // a test may have made it read-only
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::filesystem::path previous_;
};
