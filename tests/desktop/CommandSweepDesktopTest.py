#!/usr/bin/env python3
# Every command of the main window a person can reach, in each kind of state: its menus
# and pop-up menus by keyboard, one item after another by place, and its toolbar area's
# pop-up menu; the windows they open closed with Escape; the print dialog's controls walked
# with Tab and pressed with space. Empty, plain-text, rich-text and picture clipboards; an
# empty and a filled envelope; a selection and none. A crash, a sanitizer report or an
# uncaught exception fails the sweep.
import os
import re
import subprocess
import time

from desktop import first_run, run, step

PICTURE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "data", "graphics", "rgb24.bmp"))
ADDRESS = ("Jane Doe", "Springfield, IL 62704")
# Items of each menu, those a state disables counted too.
EDIT, FORMAT, HELP, POPUP = 11, 6, 8, 11
FAULT = re.compile(r"ERROR: \w+Sanitizer|runtime error:|terminate called|[Uu]nhandled exception")
CLIPBOARD = {
    "text": ("text/plain", b"John Roe\t9 Oak Road\tShelbyville IL 62565"),
    "rich": ("text/rtf", rb"{\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0\b John Roe\b0\par 9 Oak Road\par}"),
}


class Sweep:
    def __init__(self, program):
        self.program = program
        self.desktop = program.desktop
        self.count = 0
        # Whatever the start offers is declined, one window after another.
        calm_since = time.monotonic()
        while time.monotonic() - calm_since < 1:
            if list(program.windows()) != [program.main]:
                program.keys("Escape")
                calm_since = time.monotonic()
            time.sleep(0.1)
        self.program.wait_main()
        self.resting = self.shown()

    def shown(self):
        """The program's windows on the screen, menus and lists included."""
        self.program.check_alive()
        out = self.desktop.xdotool("search", "--onlyvisible", "--pid", str(self.program.process.pid), check=False)
        return set(out.split())

    def settle(self, keep=()):
        """Escape until only the main window and the windows kept are on the screen."""
        deadline, calm = time.monotonic() + 20, 0
        # Long enough for a window that a command opens to come up.
        while calm < 4:
            if self.shown() - self.resting - set(keep):
                if time.monotonic() > deadline:
                    raise AssertionError(f"Escape does not close {self.program.windows()}")
                self.own_the_keyboard()
                self.program.desktop.xdotool("key", "Escape")
                calm = 0
            else:
                calm += 1
            time.sleep(0.05)
        fault = FAULT.search(self.program.output())
        if fault:
            raise AssertionError(f"after command {self.count}:\n{self.program.output()}")

    def own_the_keyboard(self):
        """The help window is a program of its own: when it took the keyboard, Escape goes
        back to the window of ours that opened it."""
        windows = self.program.windows()
        if self.program.focused() not in windows:
            newest = max(windows, key=int)
            self.desktop.xdotool("windowactivate", newest, check=False)
            time.sleep(0.1)

    def keys(self, *keys):
        self.desktop.xdotool("key", "--delay", "15", *keys)

    def trigger(self, *keys):
        self.count += 1
        self.keys(*keys)
        self.settle()

    def menu(self, opener, items, before=()):
        """Each item by its place: the first enabled one, then one Down more each time."""
        for i in range(items):
            if before:
                self.keys(*before)
            self.trigger(*opener, *(["Down"] * i), "Return")

    def window(self, opener, title, controls):
        """Tab to each control in turn and press it with space; a button that closed the window opens it again."""
        def open_at(tabs):
            self.keys(*opener)
            wid = self.program.active(title)
            if tabs:
                self.keys(*(["Tab"] * tabs))
            return wid

        wid = open_at(0)
        for k in range(1, controls + 1):
            self.count += 1
            self.keys("Tab", "space")
            self.settle(keep=(wid,))
            if wid not in self.shown():
                wid = open_at(k)
        self.settle()


def clipboard(desktop, kind):
    """Text, rich text or a picture on the clipboard, put there by another program."""
    mime, data = CLIPBOARD.get(kind) or ("image/bmp", open(PICTURE, "rb").read())
    subprocess.run(["xclip", "-selection", "clipboard", "-t", mime, "-i"], input=data, env=desktop.env, check=True)


def leave(program):
    """File > Exit, not saving."""
    program.keys("alt+f", "x")
    deadline = time.monotonic() + 30
    while program.alive() and time.monotonic() < deadline:
        try:
            confirm = [w for w, t in program.windows().items() if t == "Confirm"]
            if confirm:
                program.desktop.xdotool("windowactivate", confirm[0], check=False)
                program.keys("n")
        except AssertionError:
            break
        time.sleep(0.1)
    program.ended_cleanly()


def scenario(desktop):
    # Web pages and folders go nowhere.
    desktop.env["BROWSER"] = "true"
    # Ctrl+A is Save As here, even in the text boxes.
    empty = ("alt+d", "ctrl+Home", "ctrl+shift+End", "BackSpace")
    fill = (*empty, *"Jane", "Return", *"IL", "space", *"62704")
    select = ("alt+d", "ctrl+Home", "shift+End")

    step("nothing on the clipboard, an empty envelope: every menu")
    program = first_run(desktop)
    sweep = Sweep(program)
    sweep.menu(("alt+e",), EDIT)
    sweep.menu(("alt+h",), HELP)
    for key in "nosacip":
        sweep.trigger("alt+f", key)
    for key in "cdreto":
        sweep.trigger("alt+o", key)
    sweep.trigger("alt+a", "o")
    sweep.menu(("alt+d", "Menu"), POPUP)
    # The toolbar area's own pop-up menu.
    for i in range(2):
        desktop.xdotool("mousemove", "--window", program.main, "4", "40", "click", "3", "mousemove", "0", "0")
        sweep.trigger(*(["Down"] * (i + 1)), "Return")

    step("plain text on the clipboard, a filled envelope and a selection")
    clipboard(desktop, "text")
    sweep.menu(("alt+e",), EDIT, before=fill + select)
    for key in "sacp":
        sweep.trigger(*fill, "alt+f", key)

    step("rich text, then a picture on the clipboard")
    clipboard(desktop, "rich")
    sweep.menu(("Menu",), POPUP, before=fill + select)
    clipboard(desktop, "image")
    sweep.menu(("alt+e",), EDIT, before=fill)

    step("the print dialog's controls")
    sweep.keys(*fill)
    sweep.window(("ctrl+p",), "Print Envelope", 12)
    step(f"{sweep.count} commands")
    sweep.own_the_keyboard()
    leave(program)


run(scenario)
