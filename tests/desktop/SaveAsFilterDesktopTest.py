#!/usr/bin/env python3
# Save As with the rich-text filter chosen and a name typed without an extension writes
# rich text under ".rtf", not an envelope document under ".env".
import os

from desktop import WORK, first_run, run, step, wait_until


def popup(program):
    """Whether one of the program's windows that no window manager manages is shown: an open list."""
    shown = program.desktop.xdotool("search", "--onlyvisible", "--pid", str(program.process.pid), check=False)
    return set(shown.split()) - set(program.windows())


def scenario(desktop):
    program = first_run(desktop)
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704")
    step("Save As, the rich-text filter, a name without an extension")
    program.keys("ctrl+a")
    dialog = program.active("Save As")
    program.keys("ctrl+a")
    program.type(os.path.join(WORK, "two"))
    # The "Files of type" list, just above the dialog's bottom edge: its second entry, then Save.
    # On a busy machine the dialog may still take its size when first clicked: clicked again.
    def opened():
        program.click(dialog, 300, -27)
        return wait_until("the list open", lambda: popup(program), timeout=5, quiet=True)
    wait_until("the list open", opened)
    program.keys("Down", "Return")
    wait_until("the list closed", lambda: not popup(program))
    program.keys("Return")
    wait_until("the title", lambda: program.windows()[program.main].endswith("two.rtf"))
    with open(os.path.join(WORK, "two.rtf"), "rb") as f:
        assert f.read().startswith(b"{\\rtf")
    assert not os.path.exists(os.path.join(WORK, "two.env"))
    program.exit()


run(scenario)
