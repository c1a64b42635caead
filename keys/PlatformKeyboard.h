#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>
#include <memory>

#include "KeyboardLayer.h"
#include "KeyboardModel.h"

class QCoreApplication;
class QKeyEvent;

// The keyboard of the platform Qt runs on, its keymap and layout group fed
// into one KeyboardModel: from the compositor's wl_keyboard on Wayland, and on
// X11 from the server's keymap, read again on XKB's keyboard and map events
// and following its state events. The application object owns it.
class PlatformKeyboard : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // The application object's keyboard, made when first asked for; null
    // before there is an application object.
    static PlatformKeyboard* OfApplication();
    ~PlatformKeyboard() override;

    VirtualKeyEvent Translate(const QKeyEvent& event);
    // VirtualKeyAtPlace for the layout that is active now.
    std::function<unsigned(unsigned)> LayoutKeys();
    bool CapsLock() const { return model.CapsLock(); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    explicit PlatformKeyboard(QCoreApplication* application);

    class Wayland;
    class X11;
    KeyboardModel model;
    std::unique_ptr<Wayland> wayland;
    std::unique_ptr<X11> x11;
};

// Where the platform gives a keymap (xcb, Wayland) the base-level keysym of
// the key in the active group decides letters, so that AltGr or Shift levels
// do not hide which letter key was pressed, and a held level-3 modifier
// counts as Ctrl+Alt.
VirtualKeyEvent ToVirtualKey(const QKeyEvent& event);

// Whether Caps Lock was on at the last key event; false where the platform
// gives no keymap.
bool CapsLockOn();

// VirtualKeyAtPlace for the keyboard layout that is active now: the keysyms
// of the platform's keymap in its active group; the US keyboard itself where
// the platform gives no keymap.
std::function<unsigned(unsigned)> ActiveLayoutKeys();
