// The IBus engine process. The daemon starts it for any engine of its
// component; each engine named "vorn:LAYOUT" gets a keymap of that keyboard
// layout, which the daemon or the desktop sets when the engine is chosen.

#include <ibus.h>

#include <cstdio>
#include <cstring>

#include <xkbcommon/xkbcommon.h>

#include "EngineKeys.h"

namespace {

// The component's name in its file, which the daemon waits for on the bus.
constexpr char ComponentName[] = "org.vornproject.Vorn.IBus";
constexpr char EnginePrefix[] = "vorn:";

xkb_keymap* KeymapOfLayout(const char* layout)
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context)
        return nullptr;
    const xkb_rule_names names = {"evdev", "pc105", layout, "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    return keymap;
}

gboolean ProcessKeyEvent(IBusEngine* engine, guint keyval, guint keycode, guint state, gpointer data)
{
    EngineKey key;
    key.keycode = keycode + 8;
    key.keysym = keyval;
    key.mods = state & 0xFF;
    // Toolkits may report Super as a virtual modifier only.
    if (state & (IBUS_SUPER_MASK | IBUS_HYPER_MASK))
        key.mods |= IBUS_MOD4_MASK;
    key.release = (state & IBUS_RELEASE_MASK) != 0;
    const EngineAction action = static_cast<EngineKeys*>(data)->Key(key);
    if (!action.text.empty()) {
        gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(action.text.data()),
                                      static_cast<glong>(action.text.size()), nullptr, nullptr, nullptr);
        if (utf8) {
            ibus_engine_commit_text(engine, ibus_text_new_from_string(utf8));
            g_free(utf8);
        }
    }
    return action.used;
}

void DeleteKeys(gpointer keys)
{
    delete static_cast<EngineKeys*>(keys);
}

IBusEngine* CreateEngine(IBusFactory*, gchar* name, gpointer data)
{
    if (!g_str_has_prefix(name, EnginePrefix))
        return nullptr;
    xkb_keymap* keymap = KeymapOfLayout(name + std::strlen(EnginePrefix));
    if (!keymap) {
        std::fprintf(stderr, "vorn-ibus-engine: no keyboard layout for the engine %s\n", name);
        return nullptr;
    }
    static unsigned serial = 0;
    gchar* path = g_strdup_printf("/org/vornproject/Vorn/IBus/Engine/%u", ++serial);
    IBusEngine* engine = ibus_engine_new(name, path, ibus_bus_get_connection(static_cast<IBusBus*>(data)));
    g_free(path);
    auto* keys = new EngineKeys(keymap);
    xkb_keymap_unref(keymap);
    g_object_set_data_full(G_OBJECT(engine), "vorn-engine-keys", keys, DeleteKeys);
    g_signal_connect(engine, "process-key-event", G_CALLBACK(ProcessKeyEvent), keys);
    return engine;
}

void Disconnected(IBusBus*, gpointer)
{
    ibus_quit();
}

} // namespace

int main()
{
    ibus_init();
    IBusBus* bus = ibus_bus_new();
    if (!ibus_bus_is_connected(bus)) {
        std::fprintf(stderr, "vorn-ibus-engine: cannot reach the IBus daemon\n");
        return 1;
    }
    g_signal_connect(bus, "disconnected", G_CALLBACK(Disconnected), nullptr);
    IBusFactory* factory = ibus_factory_new(ibus_bus_get_connection(bus));
    g_signal_connect(factory, "create-engine", G_CALLBACK(CreateEngine), bus);
    if (ibus_bus_request_name(bus, ComponentName, 0) == 0) {
        std::fprintf(stderr, "vorn-ibus-engine: the bus name %s is taken\n", ComponentName);
        return 1;
    }
    ibus_main();
    g_object_unref(factory);
    g_object_unref(bus);
    return 0;
}
