#pragma once
// A pointer for a headless wlroots compositor, which has none of its own:
// clicks at points of the screen through the virtual pointer protocol, on
// a Wayland connection of its own (WAYLAND_DISPLAY).
#include <QPoint>
#include <QSize>
#include <memory>

namespace kelpo {

class VirtualPointer {
public:
    VirtualPointer();
    ~VirtualPointer();
    VirtualPointer(const VirtualPointer &) = delete;
    VirtualPointer &operator=(const VirtualPointer &) = delete;

    bool Available() const;
    // A left click at `at` on a screen of size `screen`; false when the
    // connection broke.
    bool Click(const QPoint &at, const QSize &screen);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace kelpo
