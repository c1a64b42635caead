// The keyboard on X11 follows a new layout set on the server (setxkbmap)
// from XKB's events alone: nothing asks it to read the keymap again. Run on
// an X server by x11_keymap.sh.
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>

#include "PlatformKeyboard.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    PlatformKeyboard* keyboard = PlatformKeyboard::OfApplication();
    const auto keyAtPlaceOfY = [&] { return keyboard->LayoutKeys()('Y'); };
    if (keyAtPlaceOfY() != 'Y') {
        std::fprintf(stderr, "the US layout's Y place sends 0x%X\n", keyAtPlaceOfY());
        return 1;
    }
    for (const char* layout : {"de", "us"}) {
        if (QProcess::execute(QStringLiteral("setxkbmap"), {QString::fromLatin1(layout)}) != 0) {
            std::fprintf(stderr, "setxkbmap %s failed\n", layout);
            return 1;
        }
        const unsigned expected = layout[0] == 'd' ? 'Z' : 'Y';
        if (!QTest::qWaitFor([&] { return keyAtPlaceOfY() == expected; }, 20000)) {
            std::fprintf(stderr, "after setxkbmap %s the Y place still sends 0x%X\n", layout, keyAtPlaceOfY());
            return 1;
        }
    }
    return 0;
}
