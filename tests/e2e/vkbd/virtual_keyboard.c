/* A keyboard for tests on a Wayland compositor: presses keys through the
 * zwp_virtual_keyboard_v1 protocol with a keymap that xkbcommon compiles, and
 * sends the modifiers after each key as a compositor's own keyboard would.
 *
 *   virtual_keyboard LAYOUT [OPTIONS]
 *
 * Reads one chord a line from standard input, keys by their xkb names, held in
 * order and let go in reverse: "AC01", "LCTL+LALT+AB03", "RALT+AE01". After
 * each line, once the compositor has taken every request, it prints "ok". */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-unstable-v1-client-protocol.h"

static struct wl_seat *seat;
static struct zwp_virtual_keyboard_manager_v1 *manager;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version)
{
    (void)data;
    (void)version;
    if (!seat && strcmp(interface, wl_seat_interface.name) == 0)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static uint32_t now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

static struct zwp_virtual_keyboard_v1 *keyboard;
static struct xkb_state *state;

static void send_key(xkb_keycode_t keycode, int down)
{
    zwp_virtual_keyboard_v1_key(keyboard, now_ms(), keycode - 8,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (xkb_state_update_key(state, keycode, down ? XKB_KEY_DOWN : XKB_KEY_UP) != 0)
        zwp_virtual_keyboard_v1_modifiers(keyboard, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
                                          xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
                                          xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
                                          xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: virtual_keyboard LAYOUT [OPTIONS]\n");
        return 2;
    }
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "virtual_keyboard: no Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!seat || !manager) {
        fprintf(stderr, "virtual_keyboard: the compositor offers no virtual keyboards\n");
        return 1;
    }

    struct xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const struct xkb_rule_names names = {"evdev", "pc105", argv[1], "", argc > 2 ? argv[2] : ""};
    struct xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        fprintf(stderr, "virtual_keyboard: no keymap for layout %s\n", argv[1]);
        return 1;
    }
    state = xkb_state_new(keymap);
    char *text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const size_t size = strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size) {
        perror("virtual_keyboard: keymap");
        return 1;
    }
    free(text);
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, (uint32_t)size);
    close(fd);
    wl_display_roundtrip(display);
    printf("ok\n");
    fflush(stdout);

    char line[256];
    while (fgets(line, sizeof line, stdin)) {
        xkb_keycode_t held[8];
        int count = 0;
        for (char *name = strtok(line, "+\r\n"); name && count < 8; name = strtok(NULL, "+\r\n")) {
            const xkb_keycode_t keycode = xkb_keymap_key_by_name(keymap, name);
            if (keycode == XKB_KEYCODE_INVALID) {
                fprintf(stderr, "virtual_keyboard: no key %s\n", name);
                return 1;
            }
            send_key(keycode, 1);
            held[count++] = keycode;
        }
        while (count > 0)
            send_key(held[--count], 0);
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "virtual_keyboard: the compositor went away\n");
            return 1;
        }
        printf("ok\n");
        fflush(stdout);
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    wl_display_roundtrip(display);
    zwp_virtual_keyboard_manager_v1_destroy(manager);
    wl_seat_destroy(seat);
    wl_registry_destroy(registry);
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    wl_display_disconnect(display);
    return 0;
}
