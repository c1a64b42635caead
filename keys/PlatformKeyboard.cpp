#include "PlatformKeyboard.h"

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
// The header names a field "explicit", as C may.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace {

struct ContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
using Context = std::unique_ptr<xkb_context, ContextDeleter>;

} // namespace

// A wl_seat and wl_keyboard of our own on Qt's connection, on a queue of our
// own: Qt's reader thread sorts their events into it, and they are handled
// only when a key or the chart asks, so nothing runs behind Qt's back.
class PlatformKeyboard::Wayland {
public:
    Wayland(wl_display* qtDisplay, KeyboardModel& target)
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

    ~Wayland()
    {
        if (keyboard)
            wl_keyboard_destroy(keyboard);
        if (seat)
            wl_seat_destroy(seat);
        wl_registry_destroy(registry);
        wl_proxy_wrapper_destroy(wrapper);
        wl_event_queue_destroy(queue);
    }

    Wayland(const Wayland&) = delete;
    Wayland& operator=(const Wayland&) = delete;

    // Takes in the keymaps and group changes that arrived since.
    void Refresh() { wl_display_dispatch_queue_pending(display, queue); }

private:
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
    {
        auto* self = static_cast<Wayland*>(data);
        if (self->seat || std::strcmp(interface, wl_seat_interface.name) != 0)
            return;
        self->seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min<uint32_t>(version, 4)));
        wl_seat_add_listener(self->seat, &seatListener, self);
    }
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}

    static void Capabilities(void* data, wl_seat* seat, uint32_t capabilities)
    {
        auto* self = static_cast<Wayland*>(data);
        if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !self->keyboard) {
            self->keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->keyboard, &keyboardListener, self);
        }
    }
    static void SeatName(void*, wl_seat*, const char*) {}

    static void Keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
    {
        auto* self = static_cast<Wayland*>(data);
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
        static_cast<Wayland*>(data)->model.SetGroup(group);
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

// The core keyboard's keymap from the X server, read again on XKB's events
// for a new keyboard or a changed map (setxkbmap), with the layout group
// taken from its state events, as Qt's own xcb keyboard follows them.
class PlatformKeyboard::X11 {
public:
    X11(xcb_connection_t* qtConnection, KeyboardModel& target)
        : connection(qtConnection), model(target), context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
    {
        if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                         XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &firstEvent,
                                         nullptr))
            return;
        device = xkb_x11_get_core_keyboard_device_id(connection);
        SelectEvents();
        Load();
        ReadGroup();
    }

    // Answers for an event of the XKB extension; other events are not ours.
    void Handle(const xcb_generic_event_t& event)
    {
        if (device < 0 || (event.response_type & ~0x80) != firstEvent)
            return;
        // Every XKB event begins with the same fields, xkbType among them.
        const auto& any = reinterpret_cast<const xcb_xkb_map_notify_event_t&>(event);
        if (any.deviceID != device)
            return;
        switch (any.xkbType) {
        case XCB_XKB_NEW_KEYBOARD_NOTIFY:
            if (reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t&>(event).changed
                & XCB_XKB_NKN_DETAIL_KEYCODES)
                Load();
            break;
        case XCB_XKB_MAP_NOTIFY:
            Load();
            break;
        case XCB_XKB_STATE_NOTIFY:
            model.SetGroup(reinterpret_cast<const xcb_xkb_state_notify_event_t&>(event).group);
            break;
        default:
            break;
        }
    }

private:
    // Only adds to what the connection hears: Qt selects these events on it
    // too, and bits left out of each affect mask stay as Qt set them.
    void SelectEvents()
    {
        constexpr uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY
            | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
        constexpr uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS
            | XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS
            | XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
        constexpr uint16_t stateParts =
            XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;
        xcb_xkb_select_events_details_t details = {};
        details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.affectState = stateParts;
        details.stateDetails = stateParts;
        xcb_xkb_select_events_aux(connection, static_cast<xcb_xkb_device_spec_t>(device), events, 0, 0, mapParts,
                                  mapParts, &details);
        xcb_flush(connection);
    }

    void Load()
    {
        xkb_keymap* keymap =
            xkb_x11_keymap_new_from_device(context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap)
            return;
        model.SetKeymap(keymap);
        xkb_keymap_unref(keymap);
    }

    void ReadGroup()
    {
        if (!model.Keymap())
            return;
        if (xkb_state* state = xkb_x11_state_new_from_device(model.Keymap(), connection, device)) {
            model.SetGroup(xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
            xkb_state_unref(state);
        }
    }

    xcb_connection_t* connection;
    KeyboardModel& model;
    Context context;
    int32_t device = -1;
    uint8_t firstEvent = 0;
};

namespace {

// X11 key events carry the layout group in bits 13 and 14 of their state.
constexpr quint32 X11GroupShift = 13;

const QString KeyboardObjectName = QStringLiteral("PlatformKeyboard");

} // namespace

PlatformKeyboard::PlatformKeyboard(QCoreApplication* application) : QObject(application)
{
    setObjectName(KeyboardObjectName);
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("xcb")) {
        if (auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>(); native && native->connection()) {
            x11 = std::make_unique<X11>(native->connection(), model);
            application->installNativeEventFilter(this);
        }
    } else if (name.startsWith(QLatin1String("wayland"))) {
        if (QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface()) {
            if (auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")))
                wayland = std::make_unique<Wayland>(display, model);
        }
    }
}

// A child of the application object, gone while Qt's display connection is
// still open.
PlatformKeyboard::~PlatformKeyboard() = default;

PlatformKeyboard* PlatformKeyboard::OfApplication()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!qobject_cast<QGuiApplication*>(application))
        return nullptr;
    if (auto* keyboard = application->findChild<PlatformKeyboard*>(KeyboardObjectName, Qt::FindDirectChildrenOnly))
        return keyboard;
    return new PlatformKeyboard(application);
}

bool PlatformKeyboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (x11 && eventType == "xcb_generic_event_t")
        x11->Handle(*static_cast<const xcb_generic_event_t*>(message));
    // Qt's own keyboard follows the same events.
    return false;
}

VirtualKeyEvent PlatformKeyboard::Translate(const QKeyEvent& event)
{
    PlatformKey key;
    key.qtKey = event.key();
    key.qtModifiers = event.modifiers();
    key.keycode = event.nativeScanCode();
    key.keysym = event.nativeVirtualKey();
    key.mods = event.nativeModifiers();
    // Qt's Wayland plugin gives the modifiers held at the key itself; those
    // of the last modifiers event may already be later ones.
    if (wayland) {
        wayland->Refresh();
    } else if (x11) {
        model.SetGroup((key.mods >> X11GroupShift) & 3);
        key.mods &= 0xFF;
    }
    return model.Translate(key);
}

std::function<unsigned(unsigned)> PlatformKeyboard::LayoutKeys()
{
    if (wayland)
        wayland->Refresh();
    return model.LayoutKeys();
}

VirtualKeyEvent ToVirtualKey(const QKeyEvent& event)
{
    if (PlatformKeyboard* keyboard = PlatformKeyboard::OfApplication())
        return keyboard->Translate(event);
    return ToVirtualKey(event.key(), event.modifiers(), event.nativeScanCode(), event.nativeVirtualKey());
}

std::function<unsigned(unsigned)> ActiveLayoutKeys()
{
    if (PlatformKeyboard* keyboard = PlatformKeyboard::OfApplication())
        return keyboard->LayoutKeys();
    return [](unsigned usKey) { return usKey; };
}

bool CapsLockOn()
{
    const PlatformKeyboard* keyboard = PlatformKeyboard::OfApplication();
    return keyboard && keyboard->CapsLock();
}
