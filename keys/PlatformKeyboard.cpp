// The keymap and layout group of the platform Qt runs on, fed into one
// KeyboardModel: the compositor's wl_keyboard on Wayland, XKB on X11.

#include <QGuiApplication>
#include <QKeyEvent>
#include <QtGui/qguiapplication_platform.h>
#include <qpa/qplatformnativeinterface.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include <wayland-client.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "KeyboardModel.h"

namespace {

struct ContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
using Context = std::unique_ptr<xkb_context, ContextDeleter>;

// A wl_seat and wl_keyboard of our own on Qt's connection, on a queue of our
// own: Qt's reader thread sorts their events into it, and they are handled
// only when a key or the chart asks, so nothing runs behind Qt's back.
class WaylandKeyboard {
public:
    WaylandKeyboard(wl_display* qtDisplay, KeyboardModel& target)
        : display(qtDisplay), model(target), context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
    {
        queue = wl_display_create_queue(display);
        wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
        registry = wl_display_get_registry(wrapper);
        wl_registry_add_listener(registry, &registryListener, this);
        // Globals, then the seat's capabilities, then the keymap.
        for (int i = 0; i < 3 && !model.Keymap(); ++i) {
            if (wl_display_roundtrip_queue(display, queue) < 0)
                break;
        }
    }

    ~WaylandKeyboard()
    {
        if (keyboard)
            wl_keyboard_destroy(keyboard);
        if (seat)
            wl_seat_destroy(seat);
        wl_registry_destroy(registry);
        wl_proxy_wrapper_destroy(wrapper);
        wl_event_queue_destroy(queue);
    }

    WaylandKeyboard(const WaylandKeyboard&) = delete;
    WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

    // Takes in the keymaps and group changes that arrived since.
    void Refresh() { wl_display_dispatch_queue_pending(display, queue); }

private:
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
    {
        auto* self = static_cast<WaylandKeyboard*>(data);
        if (self->seat || std::strcmp(interface, wl_seat_interface.name) != 0)
            return;
        self->seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min<uint32_t>(version, 4)));
        wl_seat_add_listener(self->seat, &seatListener, self);
    }
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}

    static void Capabilities(void* data, wl_seat* seat, uint32_t capabilities)
    {
        auto* self = static_cast<WaylandKeyboard*>(data);
        if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !self->keyboard) {
            self->keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->keyboard, &keyboardListener, self);
        }
    }
    static void SeatName(void*, wl_seat*, const char*) {}

    static void Keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
    {
        auto* self = static_cast<WaylandKeyboard*>(data);
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (text != MAP_FAILED) {
                const auto* chars = static_cast<const char*>(text);
                xkb_keymap* keymap = xkb_keymap_new_from_buffer(self->context.get(), chars, strnlen(chars, size),
                                                                XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
                munmap(text, size);
                // A keymap that does not compile leaves the last one in use.
                if (keymap) {
                    self->model.SetKeymap(keymap);
                    xkb_keymap_unref(keymap);
                }
            }
        }
        close(fd);
    }
    static void Enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
    static void Leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
    static void Key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
    static void Modifiers(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group)
    {
        static_cast<WaylandKeyboard*>(data)->model.SetGroup(group);
    }
    static void RepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

    static constexpr wl_registry_listener registryListener = {Global, GlobalRemove};
    static constexpr wl_seat_listener seatListener = {Capabilities, SeatName};
    static constexpr wl_keyboard_listener keyboardListener = {Keymap, Enter, Leave, Key, Modifiers, RepeatInfo};

    wl_display* display;
    KeyboardModel& model;
    Context context;
    wl_event_queue* queue = nullptr;
    wl_display* wrapper = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
};

// The core keyboard's keymap from the X server; read again when the server's
// keymap no longer gives the keysyms that Qt reports.
class X11Keyboard {
public:
    X11Keyboard(xcb_connection_t* qtConnection, KeyboardModel& target)
        : connection(qtConnection), model(target), context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
    {
        if (xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                        XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
            device = xkb_x11_get_core_keyboard_device_id(connection);
        Load();
    }

    void Load()
    {
        if (device < 0)
            return;
        xkb_keymap* keymap =
            xkb_x11_keymap_new_from_device(context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap)
            return;
        model.SetKeymap(keymap);
        xkb_keymap_unref(keymap);
    }

    // The group that is active now, for the chart, which has no key event.
    void ReadGroup()
    {
        if (device < 0 || !model.Keymap())
            return;
        if (xkb_state* state = xkb_x11_state_new_from_device(model.Keymap(), connection, device)) {
            model.SetGroup(xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
            xkb_state_unref(state);
        }
    }

private:
    xcb_connection_t* connection;
    KeyboardModel& model;
    Context context;
    int32_t device = -1;
};

struct PlatformKeyboard {
    KeyboardModel model;
    std::unique_ptr<WaylandKeyboard> wayland;
    std::unique_ptr<X11Keyboard> x11;
};

PlatformKeyboard* platform = nullptr;

// Before Qt closes its connection to the display.
void ForgetPlatform()
{
    delete platform;
    platform = nullptr;
}

PlatformKeyboard* Platform()
{
    if (platform || !QGuiApplication::instance())
        return platform;
    platform = new PlatformKeyboard;
    qAddPostRoutine(ForgetPlatform);
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("xcb")) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>(); x11 && x11->connection())
            platform->x11 = std::make_unique<X11Keyboard>(x11->connection(), platform->model);
    } else if (name.startsWith(QLatin1String("wayland"))) {
        if (QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface()) {
            if (auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")))
                platform->wayland = std::make_unique<WaylandKeyboard>(display, platform->model);
        }
    }
    return platform;
}

// X11 key events carry the layout group in bits 13 and 14 of their state.
constexpr quint32 X11GroupShift = 13;

} // namespace

VirtualKeyEvent ToVirtualKey(const QKeyEvent& event)
{
    PlatformKey key;
    key.qtKey = event.key();
    key.qtModifiers = event.modifiers();
    key.keycode = event.nativeScanCode();
    key.keysym = event.nativeVirtualKey();
    key.mods = event.nativeModifiers();
    PlatformKeyboard* keyboard = Platform();
    if (!keyboard)
        return ToVirtualKey(key.qtKey, key.qtModifiers, key.keycode, key.keysym);
    // Qt's Wayland plugin gives the modifiers held at the key itself; those
    // of the last modifiers event may already be later ones.
    if (keyboard->wayland) {
        keyboard->wayland->Refresh();
    } else if (keyboard->x11) {
        keyboard->model.SetGroup((key.mods >> X11GroupShift) & 3);
        key.mods &= 0xFF;
        // The server's keymap changed (setxkbmap, a new keyboard): read it again.
        if (key.keysym != 0 && key.keycode != 0 && keyboard->model.Keysym(key.keycode, key.mods) != key.keysym)
            keyboard->x11->Load();
    }
    return keyboard->model.Translate(key);
}

std::function<unsigned(unsigned)> ActiveLayoutKeys()
{
    PlatformKeyboard* keyboard = Platform();
    if (!keyboard)
        return [](unsigned usKey) { return usKey; };
    if (keyboard->wayland) {
        keyboard->wayland->Refresh();
    } else if (keyboard->x11) {
        keyboard->x11->Load();
        keyboard->x11->ReadGroup();
    }
    return keyboard->model.LayoutKeys();
}

bool CapsLockOn()
{
    return platform && platform->model.CapsLock();
}
