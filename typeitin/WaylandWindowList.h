#pragma once
// The list of top-level windows that wlroots compositors (sway, Hyprland)
// share through zwlr_foreign_toplevel_manager_v1, on a compositor
// connection of its own.
#include "WindowList.h"

#include <memory>

namespace kelpo {

class WaylandWindowList : public WindowList {
public:
    // Connects to the compositor named by WAYLAND_DISPLAY (or `displayName`).
    WaylandWindowList();
    explicit WaylandWindowList(const QString &displayName);
    ~WaylandWindowList() override;
    WaylandWindowList(const WaylandWindowList &) = delete;
    WaylandWindowList &operator=(const WaylandWindowList &) = delete;

    // False when the compositor offers no window list (or no seat to
    // activate windows on).
    bool Available() const;

    void Refresh() override;
    quint64 ActiveWindow() const override;
    QString AppId(quint64 window) const override;
    bool IsOpen(quint64 window) const override;
    void Activate(quint64 window) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace kelpo
