#!/usr/bin/env python3
# What a person does on the envelope: the bar code follows the ZIP code as it is typed, the
# Edit menu's Find finds (Ctrl+F already with one line), and Ctrl+A saves as even inside the text box.
import subprocess

from desktop import first_run, run, step, wait_until


def bar_count(program):
    """The longest row of evenly spaced thin dark bars in the window: the bar-code preview."""
    data = subprocess.run(["import", "-window", program.main, "-depth", "8", "pgm:-"], env=program.desktop.env,
                          capture_output=True, check=True).stdout
    fields = data.split(maxsplit=4)
    width, height = int(fields[1]), int(fields[2])
    pixels = fields[4][-width * height:]
    best = 0
    for y in range(height):
        row = pixels[y * width:(y + 1) * width]
        starts, x = [], 0
        while x < width:
            if row[x] < 96:
                start = x
                while x < width and row[x] < 96:
                    x += 1
                if x - start <= 3:
                    starts.append(start)
            x += 1
        chain = 1
        for i in range(2, len(starts)):
            pitch, before = starts[i] - starts[i - 1], starts[i - 1] - starts[i - 2]
            chain = chain + 1 if 3 <= pitch <= 8 and abs(pitch - before) <= 1 else 1
            best = max(best, chain + 1)
    return best


def scenario(desktop):
    program = first_run(desktop)
    step("Ctrl+F finds in a destination of one line")
    program.address("Jane Doe")
    program.keys("ctrl+f")
    program.active("Find")
    program.keys("Escape")
    program.wait_main()
    program.keys("ctrl+Home", "ctrl+shift+End", "BackSpace")

    step("the bars follow the typing")
    program.address("Jane Doe", "Springfield, IL 6270")
    assert bar_count(program) < 20
    program.type("4")
    # A ZIP code and its check digit: 6 digits of 5 bars, framed by two.
    wait_until("32 bars", lambda: bar_count(program) == 32)
    program.keys("minus")
    program.type("1234")
    wait_until("52 bars", lambda: bar_count(program) == 52)

    step("Edit > Find Text...")
    program.keys("alt+e", "f")
    program.active("Find")
    program.type("Jane")
    program.keys("Return", "Escape")
    program.wait_main()

    step("Ctrl+A in the text box is Save As")
    program.keys("ctrl+a")
    program.active("Save As")
    program.keys("Escape")
    program.wait_main()
    program.exit(("Confirm", "n"))


run(scenario)
