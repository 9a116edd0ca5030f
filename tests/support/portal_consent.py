#!/usr/bin/python3
"""Answers the GNOME desktop portal's "Remote desktop" permission dialog through AT-SPI:
turns on "Allow remote interaction" and presses the button.
usage: portal_consent.py [BUTTON=Share] [TIMEOUT_S=20]   (exit 0 when the button was pressed)"""
import sys, time
import pyatspi
button = sys.argv[1] if len(sys.argv) > 1 else 'Share'
deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 20)

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

t0 = time.monotonic()
while time.monotonic() < deadline:
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is None or app.name != 'xdg-desktop-portal-gnome': continue
        except Exception:
            continue
        dlg = find(app, lambda a: a.getRoleName() == 'frame' and a.name == 'Remote desktop')
        if dlg is None: continue
        switch = find(dlg, lambda a: a.getRoleName() in ('toggle button', 'switch', 'check box'))
        if switch is not None and not switch.getState().contains(pyatspi.STATE_CHECKED):
            # Off by default; Share with it off makes Start never answer (xdp-gnome 43).
            switch.queryAction().doAction(0)
            time.sleep(0.3)
            print('turned on %r' % switch.name)
        b = find(dlg, lambda a: a.getRoleName() == 'push button' and button in a.name)
        if b is None: continue
        act = b.queryAction()
        act.doAction(0)
        print('pressed %r after %.0f ms' % (b.name, (time.monotonic() - t0) * 1000))
        sys.exit(0)
    time.sleep(0.1)
sys.exit('no %s button appeared' % button)
