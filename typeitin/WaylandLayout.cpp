// The compositor's keyboard layout as any Wayland client sees it: the
// keymap a seat's keyboard sends as soon as it is made.
#include "PortalKeyboard.h"

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include <wayland-client.h>

namespace kelpo {

namespace {

struct LayoutReader {
    wl_seat *Seat = nullptr;
    uint32_t Capabilities = 0;
    KeyboardLayout Layout;

    static void SeatCapabilities(void *data, wl_seat *, uint32_t capabilities)
    {
        static_cast<LayoutReader *>(data)->Capabilities = capabilities;
    }

    static void Global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
    {
        auto *self = static_cast<LayoutReader *>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->Seat) {
            static const wl_seat_listener seatListener = {&LayoutReader::SeatCapabilities, nullptr};
            self->Seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            wl_seat_add_listener(self->Seat, &seatListener, self);
        }
    }
    static void GlobalRemove(void *, wl_registry *, uint32_t) {}

    static void Keymap(void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size)
    {
        auto *self = static_cast<LayoutReader *>(data);
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void *map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (map != MAP_FAILED) {
                // The keymap ends with a zero byte.
                self->Layout.Keymap = QByteArray(static_cast<const char *>(map), int(strnlen(static_cast<const char *>(map), size)));
                munmap(map, size);
            }
        }
        close(fd);
    }
    static void Enter(void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {}
    static void Leave(void *, wl_keyboard *, uint32_t, wl_surface *) {}
    static void Key(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) {}
    static void Modifiers(void *data, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group)
    {
        static_cast<LayoutReader *>(data)->Layout.Group = group;
    }
};

}  // namespace

KeyboardLayout CompositorLayout()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return {};
    LayoutReader reader;
    static const wl_registry_listener registryListener = {&LayoutReader::Global, &LayoutReader::GlobalRemove};
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &reader);
    // The seat's capabilities come one roundtrip after the seat.
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    if (reader.Seat && (reader.Capabilities & WL_SEAT_CAPABILITY_KEYBOARD)) {
        static const wl_keyboard_listener keyboardListener = {&LayoutReader::Keymap, &LayoutReader::Enter,
                                                              &LayoutReader::Leave,  &LayoutReader::Key,
                                                              &LayoutReader::Modifiers, nullptr};
        wl_keyboard *keyboard = wl_seat_get_keyboard(reader.Seat);
        wl_keyboard_add_listener(keyboard, &keyboardListener, &reader);
        wl_display_roundtrip(display);
        wl_keyboard_destroy(keyboard);
    }
    if (reader.Seat)
        wl_seat_destroy(reader.Seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return reader.Layout;
}

}  // namespace kelpo
