#!/usr/bin/env python3
# A long text in the destination takes keys at its top and at its end, the caret moves
# between lines that moved down, and all of it is saved.
import os

from desktop import OUTPUT, WORK, first_run, run, step, wait_until

LINES = 200000


def scenario(desktop):
    path = os.path.join(WORK, "long.txt")
    with open(path, "w") as f:
        f.write("\n".join(f"Line {i}" for i in range(LINES)))
    first_run(desktop).exit()

    step("the long text opened")
    program = desktop.start(path)
    program.wait_main()
    wait_until("the title", lambda: "long.txt" in program.windows()[program.main])

    step("keys at the top: two new lines push the others down")
    program.click(program.main, -120, -130)
    program.keys("ctrl+Home")
    program.type("Top", "Second", "")
    step("down a line that moved, then the end")
    program.keys("ctrl+Home", "Down", "End")
    program.type("!")
    program.keys("ctrl+End")
    program.type("End")
    os.makedirs(OUTPUT, exist_ok=True)
    desktop.screenshot(os.path.join(OUTPUT, "long.png"))
    program.keys("ctrl+s")

    def saved():
        with open(path, "rb") as f:
            data = f.read()
        return data.startswith(b"{\\rtf") and data

    data = wait_until("the text saved", saved)
    for words in (b"Top\\par", b"Second!\\par", b"Line 0\\par", b"Line 199999End"):
        assert words in data, words
    program.exit()


run(scenario)
