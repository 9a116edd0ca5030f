// A plain Xlib window to type into, as xterm and xev are: it does not answer
// the window manager's ping (no WM_PROTOCOLS) and reads keys with Xlib's own
// keysym tables through Xutf8LookupString. Every character it receives (Enter
// as a line break) is appended to the file named by the first argument, which
// it empties first. Prints its window id once shown.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <clocale>
#include <cstdio>
#include <string>

namespace {

// Appends to the file: no rename or truncation, after which the file system
// would write the file out at every key.
void Append(const std::string &path, const char *text, size_t size)
{
    if (FILE *f = std::fopen(path.c_str(), "ab")) {
        std::fwrite(text, 1, size, f);
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const std::string path = argv[1];
    // Xlib converts keysyms to UTF-8 only in a UTF-8 locale; no input method
    // server is asked for.
    std::setlocale(LC_ALL, "C.UTF-8");
    XSetLocaleModifiers("@im=none");
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "xlibtarget: no X server\n");
        return 1;
    }
    const int screen = DefaultScreen(dpy);
    const Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 300, 80, 0, BlackPixel(dpy, screen),
                                         WhitePixel(dpy, screen));
    XStoreName(dpy, w, "Xlib type target");
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(dpy, w, &hints);
    XSelectInput(dpy, w, KeyPressMask | ExposureMask | StructureNotifyMask | FocusChangeMask);
    XIM im = XOpenIM(dpy, nullptr, nullptr, nullptr);
    XIC ic = im ? XCreateIC(im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, w, XNFocusWindow,
                            w, nullptr)
                : nullptr;
    if (!ic) {
        std::fprintf(stderr, "xlibtarget: no input context\n");
        return 1;
    }
    XMapWindow(dpy, w);

    if (FILE *f = std::fopen(path.c_str(), "wb"))
        std::fclose(f);
    bool announced = false;
    for (;;) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (XFilterEvent(&ev, None))
            continue;
        switch (ev.type) {
        case MapNotify:
            if (!announced) {
                std::printf("%lu\n", static_cast<unsigned long>(w));
                std::fflush(stdout);
                announced = true;
            }
            break;
        case MappingNotify:
            XRefreshKeyboardMapping(&ev.xmapping);
            break;
        case FocusIn:
            XSetICFocus(ic);
            break;
        case KeyPress: {
            char buffer[64];
            KeySym sym = NoSymbol;
            Status status = 0;
            const int n = Xutf8LookupString(ic, &ev.xkey, buffer, sizeof buffer, &sym, &status);
            if (sym == XK_Return || sym == XK_KP_Enter)
                Append(path, "\n", 1);
            else if (n > 0 && (status == XLookupChars || status == XLookupBoth))
                Append(path, buffer, size_t(n));
            break;
        }
        default:
            break;
        }
    }
}
