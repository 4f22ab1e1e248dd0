"""The command sweep's driver: commands triggered one after another on the real program, the
windows they open closed again, and a crash, a sanitizer report or an uncaught exception
reported with the command that caused it."""
import os
import re
import subprocess
import time

from desktop import WORK, wait_until

PICTURE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "data", "graphics", "rgb24.bmp"))
FAULT = re.compile(r"ERROR: \w+Sanitizer|runtime error:|terminate called|[Uu]nhandled exception")
CLIPBOARD = {
    "text": ("text/plain", b"John Roe\t9 Oak Road\tShelbyville IL 62565"),
    "rich": ("text/rtf", rb"{\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0\b John Roe\b0\par 9 Oak Road\par}"),
}
# Ctrl+A is Save As here, even in the text boxes.
EMPTY = ("alt+d", "ctrl+Home", "ctrl+shift+End", "BackSpace")
FILL = (*EMPTY, *"Jane", "Return", *"IL", "space", *"62704")
SELECT = ("alt+d", "ctrl+Home", "shift+End")


def harmless(desktop):
    """Web pages, folders and the picture editor go to commands that do nothing."""
    tools = os.path.join(os.path.dirname(WORK), "tools")
    os.makedirs(tools, exist_ok=True)
    for name in ("xdg-open", "kolourpaint"):
        path = os.path.join(tools, name)
        with open(path, "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(path, 0o755)
    desktop.env["PATH"] = tools + os.pathsep + desktop.env["PATH"]
    desktop.env["BROWSER"] = "true"


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
        deadline, calm, seen = time.monotonic() + 20, 0, set()
        # Long enough for a window that a command opens to come up.
        while calm < 4:
            extra = self.shown() - self.resting - set(keep)
            # Only a window seen twice, and one Escape at a time: an Escape meant for a
            # window that was closing anyway would close a window kept.
            if extra & seen:
                if time.monotonic() > deadline:
                    raise AssertionError(f"Escape does not close {self.program.windows()}")
                # A window (not a menu) that has not yet taken the keyboard would leave the
                # Escape to the window kept.
                managed = extra & set(self.program.windows())
                if managed:
                    wait_until("the keyboard", lambda: self.program.focused() in managed, timeout=2, quiet=True)
                self.own_the_keyboard()
                self.program.desktop.xdotool("key", "Escape")
                gone_by = time.monotonic() + 2
                while extra & self.shown() and time.monotonic() < gone_by:
                    time.sleep(0.05)
                extra, calm = set(), 0
            elif not extra:
                calm += 1
            seen = extra
            time.sleep(0.05)
        self.check()

    def check(self):
        if FAULT.search(self.program.output()):
            raise AssertionError(f"after command {self.count}:\n{self.program.output()}")

    def own_the_keyboard(self):
        """The help window is a program of its own: when it took the keyboard, Escape goes
        back to the window of ours that opened it."""
        windows = self.program.windows()
        if windows and self.program.focused() not in windows:
            newest = max(windows, key=int)
            self.desktop.xdotool("windowactivate", newest, check=False)
            time.sleep(0.1)

    def keys(self, *keys):
        self.desktop.xdotool("key", "--delay", "15", *keys)

    def trigger(self, *keys):
        self.count += 1
        self.own_the_keyboard()
        self.keys(*keys)
        self.settle()

    def answer(self, opener, title, *keys):
        """A command whose window, once it has the keyboard, is answered with keys."""
        self.count += 1
        self.own_the_keyboard()
        self.keys(*opener)
        self.program.active(title)
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
            self.own_the_keyboard()
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

    def click(self, wid, place, button=1, then=(), item=None, answer=(), before=()):
        """A click at a place in the window wid and the keys then. item: the pop-up menu that
        opens, its item at that place taken once the menu shows. answer: the title of a window
        that opens and the keys that answer it, or a list of those for windows that open one
        after another. What else opens is closed with Escape.
        before: a place clicked and keys pressed first, as part of the same command."""
        self.count += 1
        if before:
            self.desktop.xdotool("mousemove", "--window", wid, *map(str, before[0]), "click", "1")
            self.keys(*before[1:])
        self.desktop.xdotool("mousemove", "--window", wid, *map(str, place), "click", str(button), "mousemove", "0", "0")
        if then:
            self.keys(*then)
        if item is not None:
            # Keys typed before the menu shows would reach the window beneath.
            wait_until("the pop-up menu", lambda: self.shown() - self.resting - {wid})
            self.keys(*(["Down"] * item), "Return")
        # One window answered, or several one after another.
        for title, *keys in [answer] if answer and isinstance(answer[0], str) else answer:
            answered = self.program.active(title)
            self.keys(*keys)
            wait_until(f'"{title}" to close', lambda: answered not in self.shown())
        self.settle(keep=(wid,))
        if wid not in self.shown():
            raise AssertionError(f"command {self.count} closed the window")


def clipboard(desktop, kind):
    """Text, rich text or a picture on the clipboard, put there by another program."""
    mime, data = CLIPBOARD.get(kind) or ("image/bmp", open(PICTURE, "rb").read())
    subprocess.run(["xclip", "-selection", "clipboard", "-t", mime, "-i"], input=data, env=desktop.env, check=True)


def leave(program):
    """File > Exit, not saving; a window that came up late is closed first, and Exit asked again."""
    asked = 0
    deadline = time.monotonic() + 60
    while program.alive() and time.monotonic() < deadline:
        try:
            others = {w: t for w, t in program.windows().items() if w != program.main}
            if others:
                wid = max(others, key=int)
                program.desktop.xdotool("windowactivate", wid, check=False)
                program.keys("n" if others[wid] == "Confirm" else "Escape")
            elif time.monotonic() - asked > 5:
                program.desktop.xdotool("windowactivate", program.main, check=False)
                program.keys("alt+f", "x")
                asked = time.monotonic()
        except AssertionError:
            break
        time.sleep(0.2)
    program.ended_cleanly()
