#pragma once

#include <cstring>
#include <string>

// The outcome of a write: an empty error on success, else why it failed in
// the system's words (strerror: "No space left on device").
struct FileResult {
    std::string error;

    bool ok() const { return error.empty(); }
    explicit operator bool() const { return ok(); }
};

inline FileResult FileFailure(int error)
{
    return FileResult{std::strerror(error)};
}

inline FileResult FileFailure(const char* why)
{
    return FileResult{why};
}
