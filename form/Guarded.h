#pragma once

#include <exception>

// Shows an error the way the application shows every escaped exception: a
// message box, after which the program goes on.
void ShowException(const std::exception& error);

// Runs one handler; an exception that escapes it is shown and swallowed.
template <typename Handler>
void Guarded(Handler&& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}
