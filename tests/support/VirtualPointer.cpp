#include "VirtualPointer.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstring>

#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace kelpo {

namespace {

constexpr uint32_t LeftButton = 0x110;  // evdev BTN_LEFT

}  // namespace

struct VirtualPointer::Impl {
    wl_display *Display = wl_display_connect(nullptr);
    wl_registry *Registry = nullptr;
    wl_seat *Seat = nullptr;
    zwlr_virtual_pointer_manager_v1 *Manager = nullptr;
    zwlr_virtual_pointer_v1 *Pointer = nullptr;
    QElapsedTimer Clock;

    static void Global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
    {
        auto *self = static_cast<Impl *>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->Seat)
            self->Seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0 && !self->Manager)
            self->Manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
    static void GlobalRemove(void *, wl_registry *, uint32_t) {}

    Impl()
    {
        Clock.start();
        if (!Display)
            return;
        static const wl_registry_listener listener = {&Impl::Global, &Impl::GlobalRemove};
        Registry = wl_display_get_registry(Display);
        wl_registry_add_listener(Registry, &listener, this);
        wl_display_roundtrip(Display);
        if (Manager)
            Pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(Manager, Seat);
        wl_display_roundtrip(Display);
    }
    ~Impl()
    {
        if (!Display)
            return;
        if (Pointer)
            zwlr_virtual_pointer_v1_destroy(Pointer);
        if (Manager)
            zwlr_virtual_pointer_manager_v1_destroy(Manager);
        if (Seat)
            wl_seat_destroy(Seat);
        if (Registry)
            wl_registry_destroy(Registry);
        wl_display_roundtrip(Display);
        wl_display_disconnect(Display);
    }
    Impl(const Impl &) = delete;
    Impl &operator=(const Impl &) = delete;

    bool Sync() { return wl_display_roundtrip(Display) >= 0 && wl_display_get_error(Display) == 0; }
    uint32_t Now() const { return uint32_t(Clock.elapsed()); }
};

VirtualPointer::VirtualPointer() : d(std::make_unique<Impl>()) {}

VirtualPointer::~VirtualPointer() = default;

bool VirtualPointer::Available() const
{
    return d->Pointer != nullptr;
}

bool VirtualPointer::Click(const QPoint &at, const QSize &screen)
{
    if (!d->Pointer)
        return false;
    zwlr_virtual_pointer_v1_motion_absolute(d->Pointer, d->Now(), uint32_t(at.x()), uint32_t(at.y()),
                                            uint32_t(screen.width()), uint32_t(screen.height()));
    zwlr_virtual_pointer_v1_frame(d->Pointer);
    if (!d->Sync())
        return false;
    QThread::msleep(50);
    for (const auto state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
        zwlr_virtual_pointer_v1_button(d->Pointer, d->Now(), LeftButton, state);
        zwlr_virtual_pointer_v1_frame(d->Pointer);
        if (!d->Sync())
            return false;
        QThread::msleep(20);
    }
    return true;
}

}  // namespace kelpo
