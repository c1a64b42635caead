#pragma once

#include <QFont>

// The font named by the installed family that Qt falls back to when the
// font's family is not installed (DrawingFamily): Qt draws the same face
// without its own search, which compares each fallback with every installed
// family and at thousands of faces costs more than the rest of the start-up.
// Fonts that Qt looks up otherwise (more than one family, which has Qt gather
// fallbacks at once; a slanted style, a style hint or fixed pitch, which
// change its query) come back as they are.
QFont NamedByInstalledFamily(QFont font);
