#pragma once

#include <stdexcept>
#include <string>

// The error that handlers raise for the user to see: the application shows its
// message in a message box and goes on.
class ToolkitError : public std::runtime_error {
public:
    explicit ToolkitError(const std::string& message) : std::runtime_error(message) {}
};
