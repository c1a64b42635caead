#pragma once

#include <exception>

#include <QString>

// The error's message in the user's language: the renderer's faults worded
// through the installed translation, any other error as it says itself.
QString MessageOf(const std::exception& error);

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
