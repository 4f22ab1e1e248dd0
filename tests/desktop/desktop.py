"""The real program on a private X display under openbox, driven from outside with xdotool.

A scenario is a function of a Desktop; run() gives it a fresh display and window manager,
ends every process it started by pid, and on failure keeps a screenshot and the logs in
the test's output folder. Every wait polls with a deadline.
"""

import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time
import traceback

PROGRAM = os.environ["PLIKORA_PROGRAM"]
OUTPUT = os.environ["PLIKORA_TEST_OUTPUT"]
# Generous: a sanitizer build on a busy machine starts slowly; the polls return at once otherwise.
TIMEOUT = float(os.environ.get("PLIKORA_DESKTOP_TIMEOUT", "60"))
WORK = os.path.join(os.environ.get("TMPDIR", "/tmp"), "desktop")
CONFIG = os.path.join(os.environ["XDG_CONFIG_HOME"], "Morvane Software", "plikora")
PDF = os.path.join(WORK, "envelope.pdf")
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:")

_started = time.monotonic()


def step(text):
    print(f"[{time.monotonic() - _started:6.1f}s] {text}", flush=True)


def wait_until(what, check, timeout=TIMEOUT, quiet=False):
    """The check's first true value; at the timeout an error, or None when quiet."""
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            if quiet:
                return None
            raise AssertionError(f"timed out after {timeout:.0f}s waiting for {what}")
        time.sleep(0.05)


def read_ini(name):
    """Sections of one of the program's settings files, as dicts of strings."""
    sections = {}
    current = None
    with open(os.path.join(CONFIG, name), encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1], {})
            elif current is not None and "=" in line:
                key, value = line.split("=", 1)
                current[key] = value
    return sections


def pdf_info(path):
    """pdfinfo's fields, or None while the file cannot be read."""
    result = subprocess.run(["pdfinfo", path], capture_output=True, text=True)
    return dict(re.findall(r"^([^:\n]+):\s*(.*)$", result.stdout, re.M)) if result.returncode == 0 else None


def pdf_text(path):
    return subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True, check=True).stdout


def gray_ink(path):
    """Width, height and a function from x, y to whether that pixel is dark text, of an 8-bit PGM file."""
    with open(path, "rb") as f:
        data = f.read()
    width, height, body = re.match(rb"P5\s+(\d+)\s+(\d+)\s+255\s(.*)", data, re.S).groups()
    width = int(width)
    return width, int(height), lambda x, y: body[y * width + x] < 110


def ink_lines(ink, rows, columns):
    """Each run of rows that holds ink, top to bottom: [top, bottom, left edge of its ink]."""
    lines = []
    inside = False
    for y in rows:
        xs = [x for x in columns if ink(x, y)]
        if xs and not inside:
            lines.append([y, y, xs[0]])
        elif xs:
            lines[-1][1:] = [y, min(lines[-1][2], xs[0])]
        inside = bool(xs)
    return lines


def _stop(process, timeout=10):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Program:
    """One run of plikora; windows are found by its pid."""

    def __init__(self, desktop, args, extra_env, preexec=None):
        self.desktop = desktop
        self.log = os.path.join(WORK, f"plikora-{len(desktop.programs) + 1}.log")
        env = dict(desktop.env, **extra_env)
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen([PROGRAM, *args], env=env, cwd=WORK, stdout=log, stderr=subprocess.STDOUT,
                                            preexec_fn=preexec)
        self.started = time.monotonic()
        self.main = None

    def alive(self):
        return self.process.poll() is None

    def windows(self):
        """The program's windows that the window manager manages, {id: title}; popups and tool tips are not."""
        self.check_alive()
        titles = {}
        for wid in re.findall(r"0x[0-9a-f]+", self.desktop.run("xprop", "-root", "_NET_CLIENT_LIST", check=False)):
            # A window that went away in between is gone for this answer too.
            props = self.desktop.run("xprop", "-id", wid, "_NET_WM_PID", "_NET_WM_NAME", check=False)
            pid = re.search(r"_NET_WM_PID\(CARDINAL\) = (\d+)", props)
            name = re.search(r'_NET_WM_NAME\(UTF8_STRING\) = "(.*)"', props)
            if pid and int(pid.group(1)) == self.process.pid and name:
                titles[str(int(wid, 16))] = name.group(1)
        return titles

    def check_alive(self):
        if not self.alive():
            raise AssertionError(f"plikora ended with status {self.process.returncode}:\n{self.output()}")

    def window(self, title):
        """Waits for a visible window whose title starts with title; returns its id."""
        def find():
            for wid, name in self.windows().items():
                if name.startswith(title) and wid != self.main:
                    return wid
            return None
        return wait_until(f'a window "{title}"', find)

    def active(self, title):
        """Waits until the window titled so has the keyboard; returns its id."""
        wid = self.window(title)
        wait_until(f'"{title}" to be active', lambda: self.focused() == wid)
        return wid

    def focused(self):
        self.check_alive()
        active = re.search(r"0x[0-9a-f]+", self.desktop.run("xprop", "-root", "_NET_ACTIVE_WINDOW", check=False))
        return str(int(active.group(0), 16)) if active else None

    def take_back(self, wid):
        """Gives the keyboard to our window wid again, after another program's window (the
        help) took it; asked again until it holds, as that window may take it once more."""
        def back():
            self.desktop.xdotool("windowactivate", wid, check=False)
            time.sleep(0.2)
            return self.focused() == wid
        wait_until(f"window {wid} to have the keyboard again", back)

    def wait_main(self):
        """The main window, once it is the only window and has the keyboard."""
        if self.main is None:
            self.main = wait_until("the main window",
                                   lambda: next((w for w, t in self.windows().items() if t.startswith("Plikora")), None))
        # Held over a few polls: between one dialog and the next the main window is alone for a moment.
        held = [0]

        def settled():
            held[0] = held[0] + 1 if list(self.windows()) == [self.main] and self.focused() == self.main else 0
            return held[0] >= 3
        wait_until("the main window alone and active", settled)
        return self.main

    def only_main_for(self, seconds):
        """Keeps checking that the program runs with its main window alone until seconds after its start."""
        while time.monotonic() - self.started < seconds:
            others = {w: t for w, t in self.windows().items() if w != self.main}
            if others:
                raise AssertionError(f"unexpected windows: {others}")
            time.sleep(0.1)

    def keys(self, *keys):
        self.desktop.xdotool("key", "--delay", "40", *keys)

    def type(self, *lines):
        """Types lines of text, each ended with Return but the last."""
        for i, line in enumerate(lines):
            if i:
                self.keys("Return")
            self.desktop.xdotool("type", "--delay", "10", line)

    def click(self, wid, x, y):
        """A click at x, y inside the window (negative: from its right or bottom edge)."""
        w, h = self.desktop.geometry(wid)[2:]
        # The pointer leaves at once, so that no tool tip comes up.
        self.desktop.xdotool("mousemove", "--window", wid, str(x if x >= 0 else w + x), str(y if y >= 0 else h + y),
                             "click", "1", "mousemove", "0", "0")

    def address(self, *lines):
        """Clicks into the destination box and types an address there."""
        self.click(self.main, -120, -130)
        self.type(*lines)

    def print_envelope(self):
        """Print Envelope... and its Print button; returns the PDF's facts once written."""
        if os.path.exists(PDF):
            os.remove(PDF)
        self.keys("ctrl+p")
        self.active("Print Envelope")
        self.keys("Return")
        return self.printed()

    def printed(self):
        info = wait_until("the PDF", lambda: os.path.exists(PDF) and pdf_info(PDF))
        self.wait_main()
        return info

    def exit(self, *answers):
        """File > Exit, then a key for each question asked on the way."""
        self.keys("alt+f", "x")
        for title, key in answers:
            self.active(title)
            self.keys(key)
        self.ended_cleanly()

    def exit_status(self):
        try:
            return self.process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            raise AssertionError("plikora did not end") from None

    def ended_cleanly(self):
        status = self.exit_status()
        output = self.output()
        if status != 0 or SANITIZER_REPORT.search(output):
            raise AssertionError(f"plikora ended with status {status}:\n{output}")

    def output(self):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read()


class Desktop:
    """Xvfb on a display of its own choosing, with openbox managing the windows."""

    def __init__(self, screen="1280x1024"):
        self.screen = screen
        self.processes = []
        self.programs = []
        self.env = dict(os.environ)

    def open(self):
        read, write = os.pipe()
        try:
            with open(os.path.join(WORK, "xvfb.log"), "wb") as log:
                self.processes.append(subprocess.Popen(
                    ["Xvfb", "-displayfd", str(write), "-screen", "0", self.screen + "x24", "-nolisten", "tcp", "-noreset"],
                    pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=log))
            os.close(write)
            # The number and its line end may come in two writes; Xvfb gives up if the pipe closes between.
            number = b""
            while not number.endswith(b"\n"):
                if not select.select([read], [], [], TIMEOUT)[0]:
                    raise AssertionError("Xvfb gave no display number")
                chunk = os.read(read, 32)
                if not chunk:
                    break
                number += chunk
            number = number.decode().strip()
        finally:
            os.close(read)
        if not number.isdigit():
            raise AssertionError("Xvfb did not start: " + open(os.path.join(WORK, "xvfb.log")).read())
        # No scheduler at this address: the built-in "Print to PDF" is the only printer. No bus
        # either, so that no session bus is launched for the display and outlives the test.
        self.env = dict(os.environ, DISPLAY=":" + number, QT_QPA_PLATFORM="xcb", PLIKORA_PDF_OUTPUT=PDF,
                        CUPS_SERVER=os.path.join(WORK, "no-scheduler"),
                        DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(WORK, "no-bus"))
        with open(os.path.join(WORK, "openbox.log"), "wb") as log:
            self.processes.append(subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL, stderr=log))
        wait_until("openbox", lambda: "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"))

    def run(self, *command, check=True):
        result = subprocess.run(command, env=self.env, capture_output=True, text=True)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(command)} failed: {result.stderr}")
        return result.stdout

    def xdotool(self, *args, check=True):
        return self.run("xdotool", *args, check=check)

    def geometry(self, wid):
        """x, y, width, height of a window's client area on the screen."""
        out = self.xdotool("getwindowgeometry", "--shell", wid)
        g = dict(line.split("=", 1) for line in out.split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def start(self, *args, preexec=None, **extra_env):
        """Starts plikora; preexec runs in the child before it (limits, signal dispositions)."""
        program = Program(self, args, extra_env, preexec)
        self.programs.append(program)
        return program

    def screenshot(self, path):
        self.run("import", "-window", "root", path, check=False)

    def close(self):
        for program in self.programs:
            _stop(program.process)
        for process in reversed(self.processes):
            _stop(process)


def first_run(desktop, **extra_env):
    """Starts the program on empty settings and takes its first-run setup's offers to the main window."""
    program = desktop.start(**extra_env)
    for title in ("Information", "Add Envelope Definition", "Print to PDF Properties", "Envelope Definitions"):
        program.active(title)
        program.keys("Return")
    program.wait_main()
    return program


def opens_list(program, key):
    """The drop-down list whose label has that access key opens: it is on the screen."""
    def shown():
        out = program.desktop.xdotool("search", "--onlyvisible", "--pid", str(program.process.pid), check=False)
        return len(out.split())
    before = shown()
    program.keys(key, "F4")
    wait_until(f"the list of {key} to drop down", lambda: shown() > before)
    program.keys("Escape")
    wait_until("the list to close", lambda: shown() == before)


def run(scenario, screen="1280x1024"):
    """Runs the scenario on a fresh desktop of that screen size; exits with its result."""
    shutil.rmtree(OUTPUT, ignore_errors=True)
    os.makedirs(WORK, exist_ok=True)
    # A test stopped from outside still ends what it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))
    desktop = Desktop(screen)
    try:
        desktop.open()
        scenario(desktop)
        step("passed")
        status = 0
    except BaseException:
        traceback.print_exc()
        os.makedirs(OUTPUT, exist_ok=True)
        desktop.screenshot(os.path.join(OUTPUT, "screen.png"))
        for name in os.listdir(WORK):
            shutil.copy(os.path.join(WORK, name), OUTPUT)
        if os.path.isdir(CONFIG):
            shutil.copytree(CONFIG, os.path.join(OUTPUT, "config"), dirs_exist_ok=True)
        print(f"screenshot, logs and settings kept in {OUTPUT}", file=sys.stderr)
        status = 1
    finally:
        desktop.close()
    sys.exit(status)
