#pragma once

// Paths of the pictures compiled into the program (vorn.qrc). Linking
// vorn_resources is enough: it is an object library, so the resource
// initialiser cannot be dropped by the linker and no Q_INIT_RESOURCE is needed.
// Each has a twice as large "@2x" picture beside it (":/icon@2x" ...), which
// Qt takes on its own for a QIcon made from the name on a screen with two or
// more device pixels to a pixel.
namespace pictures {
inline constexpr char Icon[] = ":/icon";             // 64 x 64, 16 colours
inline constexpr char DelButton[] = ":/DelButton";   // 58 x 16, 16 colours
inline constexpr char CutButton[] = ":/CutButton";   // 37 x 18, 16 colours
inline constexpr char CopyButton[] = ":/CopyButton"; // 55 x 18, 16 colours
} // namespace pictures
