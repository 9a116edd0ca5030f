#!/usr/bin/python3
"""Drives other programs' windows through AT-SPI, as a user would.
usage: atspi.py consent [TIMEOUT_S=20]
         answers the GNOME desktop portal's "Remote desktop" permission dialog: turns on
         "Allow remote interaction" and presses Share
       atspi.py press APP BUTTON [TIMEOUT_S=20]
         presses the push button named BUTTON of the program named APP
       atspi.py shown APP [TIMEOUT_S=20]
         waits until the program named APP shows a window
Exits 0 once done."""
import sys, time
import pyatspi


def find(acc, pred, depth=0):
    if depth > 12: return None
    try:
        if pred(acc): return acc
        for c in acc:
            r = find(c, pred, depth + 1)
            if r is not None: return r
    except Exception:
        pass
    return None


def named(app_name):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.name == app_name:
                yield app
        except Exception:
            continue


def consent():
    for app in named('xdg-desktop-portal-gnome'):
        dlg = find(app, lambda a: a.getRoleName() == 'frame' and a.name == 'Remote desktop')
        if dlg is None: continue
        switch = find(dlg, lambda a: a.getRoleName() in ('toggle button', 'switch', 'check box'))
        if switch is not None and not switch.getState().contains(pyatspi.STATE_CHECKED):
            # Off by default; Share with it off makes Start never answer (xdp-gnome 43).
            switch.queryAction().doAction(0)
            time.sleep(0.3)
        b = find(dlg, lambda a: a.getRoleName() == 'push button' and 'Share' in a.name)
        if b is not None:
            b.queryAction().doAction(0)
            return True
    return False


def press(app_name, button):
    for app in named(app_name):
        b = find(app, lambda a: a.getRoleName() == 'push button' and a.name == button)
        if b is not None:
            b.queryAction().doAction(0)
            return True
    return False


def shown(app_name):
    for app in named(app_name):
        if find(app, lambda a: a.getRoleName() == 'frame' and a.getState().contains(pyatspi.STATE_SHOWING)):
            return True
    return False


mode = sys.argv[1] if len(sys.argv) > 1 else ''
if mode == 'consent':
    act, timeout = consent, sys.argv[2:3]
elif mode == 'press' and len(sys.argv) > 3:
    act, timeout = (lambda: press(sys.argv[2], sys.argv[3])), sys.argv[4:5]
elif mode == 'shown' and len(sys.argv) > 2:
    act, timeout = (lambda: shown(sys.argv[2])), sys.argv[3:4]
else:
    sys.exit(__doc__)
deadline = time.monotonic() + (float(timeout[0]) if timeout else 20)
while time.monotonic() < deadline:
    if act():
        sys.exit(0)
    time.sleep(0.1)
sys.exit('nothing to press appeared')
