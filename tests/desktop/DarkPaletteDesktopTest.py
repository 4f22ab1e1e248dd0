#!/usr/bin/env python3
# A dark desktop palette, as a Plasma session with a dark colour scheme gives it (Qt's own KDE
# platform theme reads kdeglobals), with an icon theme whose text-style glyphs are drawn dark for
# light buttons: the Bold, Italic and Underline buttons, the facing mark and the bar-code preview
# stand out on the window's colours.
import os

from desktop import OUTPUT, first_run, read_ini, run, step, wait_until

BUTTON = (49, 54, 59)
TEXT = (239, 240, 241)
KDEGLOBALS = f"""[General]
ColorScheme=Dark
[Colors:Window]
BackgroundNormal={BUTTON[0]},{BUTTON[1]},{BUTTON[2]}
ForegroundNormal={TEXT[0]},{TEXT[1]},{TEXT[2]}
[Colors:Button]
BackgroundNormal={BUTTON[0]},{BUTTON[1]},{BUTTON[2]}
ForegroundNormal={TEXT[0]},{TEXT[1]},{TEXT[2]}
[Colors:View]
BackgroundNormal=35,38,41
ForegroundNormal={TEXT[0]},{TEXT[1]},{TEXT[2]}
[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal={TEXT[0]},{TEXT[1]},{TEXT[2]}
[Colors:Tooltip]
BackgroundNormal={BUTTON[0]},{BUTTON[1]},{BUTTON[2]}
ForegroundNormal={TEXT[0]},{TEXT[1]},{TEXT[2]}
[Icons]
Theme=Adwaita
"""


def luminance(c):
    def linear(v):
        v /= 255
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
    return 0.2126 * linear(c[0]) + 0.7152 * linear(c[1]) + 0.0722 * linear(c[2])


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


class Shot:
    """A screenshot of a window; pixels by its client coordinates."""

    def __init__(self, desktop, wid):
        path = os.path.join(os.environ["TMPDIR"], "client.ppm")
        desktop.run("import", "-window", wid, "-depth", "8", "ppm:" + path)
        with open(path, "rb") as f:
            data = f.read()
        fields = data.split(maxsplit=4)
        assert fields[0] == b"P6" and fields[3] == b"255", fields[:4]
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = fields[4]
        self.path = path

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])


def bars_in_a_row(shot, top, envelope, ink):
    """The most bars found in one row below top: runs of ink that start on the envelope, evenly spaced."""
    most = 0
    for y in range(top, shot.height):
        starts = [x for x in range(1, shot.width) if shot.at(x - 1, y) == envelope and ink(shot.at(x, y))]
        chain = 1
        for i in range(2, len(starts)):
            chain = chain + 1 if starts[i] - starts[i - 1] == starts[i - 1] - starts[i - 2] else 1
            most = max(most, chain + 1)
    return most


def rect(section):
    r = read_ini("Registry.ini")[section]
    return int(r["Left"]), int(r["Top"]), int(r["Right"]), int(r["Bottom"])


def scenario(desktop):
    os.makedirs(OUTPUT, exist_ok=True)
    with open(os.path.join(os.environ["XDG_CONFIG_HOME"], "kdeglobals"), "w") as f:
        f.write(KDEGLOBALS)
    desktop.env.update(XDG_CURRENT_DESKTOP="KDE", KDE_SESSION_VERSION="5")
    program = first_run(desktop)
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704-1234")
    # The toolbars' places, as the program keeps them.
    program.exit(("Confirm", "n"))
    bars = [rect(s) for s in ("MainWindowFileToolBar", "MainWindowEditToolBar", "MainWindowSelectionToolBar",
                              "MainWindowFormatToolBar", "MainWindowOptionsToolbar")]
    panel_top = max(r[3] for r in bars)

    step("again, with the address that was left")
    program = desktop.start()
    program.wait_main()
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704-1234")

    def drawn():
        # Once the last line is in, whatever colour the bars have.
        s = Shot(desktop, program.main)
        envelope = s.at(s.width - 65 - 2 * 5 - 5 - 4, panel_top + 7 + 62)
        return s if bars_in_a_row(s, panel_top, envelope, lambda c: c != envelope) >= 60 else None
    shot = wait_until("the bar code", drawn)
    desktop.run("convert", shot.path, os.path.join(OUTPUT, "dark.png"))
    program.exit(("Confirm", "n"))

    step("the facing mark, beside the stamp at the panel's top right")
    mark_left = shot.width - 65 - 2 * 5 - 72 - 5
    envelope = shot.at(mark_left + 68, panel_top + 7 + 62)
    assert envelope == BUTTON, f"the envelope is {envelope}, not the desktop's button colour"
    inked = sum(contrast(shot.at(x, y), envelope) >= 4.5
                for x in range(mark_left, mark_left + 72) for y in range(panel_top + 7, panel_top + 7 + 65))
    assert inked >= 200, f"{inked} facing-mark pixels stand out"

    step("the bar code's bars")
    most = bars_in_a_row(shot, panel_top, envelope, lambda c: contrast(c, envelope) >= 4.5)
    assert most >= 60, f"at most {most} bars in a row stand out"

    step("Bold, Italic and Underline, between the font box and the size box")
    left, top, right, bottom = rect("MainWindowFormatToolBar")
    back = shot.at(left + 2, top + 2)

    def busy(x):
        return any(contrast(shot.at(x, y), back) >= 1.15 for y in range(top + 3, bottom - 3))
    boxes, start = [], None
    for x in range(left, right + 1):
        if x < right and busy(x):
            start = x if start is None else start
        elif start is not None:
            if x - start >= 60:
                boxes.append((start, x))
            start = None
    assert len(boxes) >= 2, boxes
    glyphs = sum(contrast(shot.at(x, y), back) >= 7
                 for x in range(boxes[0][1] + 8, boxes[1][0]) for y in range(top, bottom))
    assert glyphs >= 120, f"{glyphs} pixels of the style buttons stand out"


run(scenario)
