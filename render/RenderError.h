#pragma once

#include <stdexcept>

#include <QString>

// What the renderer refuses to make, with the figures that a message about it
// needs. The renderer words nothing for the user: what() is the message as
// written, in English, and whoever shows it (the window, a command) words it
// through RenderErrorMessage in the user's language.
struct RenderFault {
    enum class Kind {
        TextTooLong,        // the text's picture, width x height, is too large at any scale
        ScaleTooLarge,      // it fits at one pixel to a pixel, not at scale
        NoMemory,           // no memory for a width x height picture
        PngFailed,          // detail: the image writer's error
        ChartTooLarge,      // the keyboard chart's picture, width x height
        ChartNoMemory,
        BitmapsOnly,        // face: the family, which has no outlines
        NoOutline,          // face, unit: a glyph without an outline
        UnreadableOutline,
    };
    Kind kind;
    double width = 0;
    double height = 0;
    double scale = 1;
    QString face = {};
    char16_t unit = 0;
    QString detail = {};
};

// How a message's words come out: the source text of a message in its
// translation context, turned into the text shown.
using Wording = QString (*)(const char* context, const char* source);

// The words as written.
QString AsWritten(const char* context, const char* source);

QString RenderErrorMessage(const RenderFault& fault, Wording word);

class RenderError : public std::runtime_error {
public:
    explicit RenderError(RenderFault what)
        : std::runtime_error(RenderErrorMessage(what, AsWritten).toStdString()), fault(std::move(what))
    {
    }
    const RenderFault fault;
};
