#include "WaylandWindowList.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <map>
#include <poll.h>

#include <wayland-client.h>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace kelpo {

struct WaylandWindowList::Impl {
    // A window as the compositor last reported it complete (its "done");
    // the events before that go to the pending fields.
    struct Toplevel {
        Impl *Owner = nullptr;
        quint64 Id = 0;
        zwlr_foreign_toplevel_handle_v1 *Handle = nullptr;
        QString AppId, PendingAppId;
        bool Activated = false, PendingActivated = false;
    };

    wl_display *Display = nullptr;
    wl_registry *Registry = nullptr;
    wl_seat *Seat = nullptr;
    zwlr_foreign_toplevel_manager_v1 *Manager = nullptr;
    uint32_t SeatName = 0, ManagerName = 0, ManagerVersion = 0;
    std::map<quint64, std::unique_ptr<Toplevel>> Windows;
    quint64 LastId = 0;

    static void Global(void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version)
    {
        auto *self = static_cast<Impl *>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->SeatName == 0) {
            self->SeatName = name;
        } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
            self->ManagerName = name;
            self->ManagerVersion = version;
        }
    }
    static void GlobalRemove(void *, wl_registry *, uint32_t) {}

    static void NewToplevel(void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *self = static_cast<Impl *>(data);
        auto window = std::make_unique<Toplevel>();
        window->Owner = self;
        window->Id = ++self->LastId;
        window->Handle = handle;
        static const zwlr_foreign_toplevel_handle_v1_listener listener = {
            &Impl::Title, &Impl::ApplicationId, &Impl::OutputEnter, &Impl::OutputLeave,
            &Impl::State, &Impl::Done,          &Impl::Closed,      &Impl::Parent,
        };
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, window.get());
        self->Windows.emplace(window->Id, std::move(window));
    }
    static void Finished(void *data, zwlr_foreign_toplevel_manager_v1 *manager)
    {
        auto *self = static_cast<Impl *>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        self->Manager = nullptr;
    }

    static void Title(void *, zwlr_foreign_toplevel_handle_v1 *, const char *) {}
    static void ApplicationId(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId)
    {
        static_cast<Toplevel *>(data)->PendingAppId = QString::fromUtf8(appId);
    }
    static void OutputEnter(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}
    static void OutputLeave(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}
    static void State(void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states)
    {
        const auto *begin = static_cast<const uint32_t *>(states->data);
        const auto *end = begin + states->size / sizeof(uint32_t);
        static_cast<Toplevel *>(data)->PendingActivated =
            std::find(begin, end, uint32_t(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)) != end;
    }
    static void Done(void *data, zwlr_foreign_toplevel_handle_v1 *)
    {
        auto *window = static_cast<Toplevel *>(data);
        window->AppId = window->PendingAppId;
        window->Activated = window->PendingActivated;
    }
    static void Closed(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *window = static_cast<Toplevel *>(data);
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        window->Owner->Windows.erase(window->Id);
    }
    static void Parent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {}

    explicit Impl(const QString &displayName)
    {
        const QByteArray name = displayName.toLocal8Bit();
        Display = wl_display_connect(displayName.isEmpty() ? nullptr : name.constData());
        if (!Display)
            return;
        static const wl_registry_listener registryListener = {&Impl::Global, &Impl::GlobalRemove};
        Registry = wl_display_get_registry(Display);
        wl_registry_add_listener(Registry, &registryListener, this);
        if (wl_display_roundtrip(Display) < 0 || SeatName == 0 || ManagerName == 0) {
            Close();
            return;
        }
        Seat = static_cast<wl_seat *>(wl_registry_bind(Registry, SeatName, &wl_seat_interface, 1));
        Manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
            wl_registry_bind(Registry, ManagerName, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min<uint32_t>(ManagerVersion, 3)));
        static const zwlr_foreign_toplevel_manager_v1_listener managerListener = {&Impl::NewToplevel,
                                                                                  &Impl::Finished};
        zwlr_foreign_toplevel_manager_v1_add_listener(Manager, &managerListener, this);
        // The windows open now, each with its first state.
        if (wl_display_roundtrip(Display) < 0)
            Close();
    }

    ~Impl() { Close(); }

    void Close()
    {
        if (!Display)
            return;
        for (auto &entry : Windows)
            zwlr_foreign_toplevel_handle_v1_destroy(entry.second->Handle);
        Windows.clear();
        if (Manager)
            zwlr_foreign_toplevel_manager_v1_destroy(Manager);
        if (Seat)
            wl_seat_destroy(Seat);
        if (Registry)
            wl_registry_destroy(Registry);
        wl_display_flush(Display);
        wl_display_disconnect(Display);
        Manager = nullptr;
        Seat = nullptr;
        Registry = nullptr;
        Display = nullptr;
    }

    // Reads and handles the events that have arrived, without waiting. A
    // broken connection empties the list.
    void Refresh()
    {
        if (!Display)
            return;
        while (wl_display_prepare_read(Display) != 0)
            wl_display_dispatch_pending(Display);
        wl_display_flush(Display);
        pollfd fd{wl_display_get_fd(Display), POLLIN, 0};
        if (poll(&fd, 1, 0) > 0)
            wl_display_read_events(Display);
        else
            wl_display_cancel_read(Display);
        if (wl_display_dispatch_pending(Display) < 0 || wl_display_get_error(Display) != 0)
            Close();
    }

    const Toplevel *Find(quint64 window) const
    {
        const auto it = Windows.find(window);
        return it == Windows.end() ? nullptr : it->second.get();
    }
};

WaylandWindowList::WaylandWindowList() : d(std::make_unique<Impl>(QString())) {}

WaylandWindowList::WaylandWindowList(const QString &displayName) : d(std::make_unique<Impl>(displayName)) {}

WaylandWindowList::~WaylandWindowList() = default;

bool WaylandWindowList::Available() const
{
    return d->Display && d->Manager;
}

void WaylandWindowList::Refresh()
{
    d->Refresh();
}

quint64 WaylandWindowList::ActiveWindow() const
{
    for (const auto &entry : d->Windows)
        if (entry.second->Activated)
            return entry.first;
    return 0;
}

QString WaylandWindowList::AppId(quint64 window) const
{
    const Impl::Toplevel *w = d->Find(window);
    return w ? w->AppId : QString();
}

bool WaylandWindowList::IsOpen(quint64 window) const
{
    return d->Find(window) != nullptr;
}

void WaylandWindowList::Activate(quint64 window)
{
    const Impl::Toplevel *w = d->Find(window);
    if (!w || !d->Seat)
        return;
    zwlr_foreign_toplevel_handle_v1_activate(w->Handle, d->Seat);
    wl_display_flush(d->Display);
}

}  // namespace kelpo
