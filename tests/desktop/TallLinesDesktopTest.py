#!/usr/bin/env python3
# A long list in a font taller than the box's own: after the end, a search and the wheel,
# the lines are drawn one below the other and a click on each lands in the line drawn there.
import os
import re

from desktop import OUTPUT, WORK, first_run, gray_ink, ink_lines, run, step, wait_until

COUNT = 2000


def scenario(desktop):
    path = os.path.join(WORK, "tall.rtf")
    with open(path, "w") as f:
        f.write(r"{\rtf1\ansi\deff0{\fonttbl{\f0 Liberation Serif;}}\f0\fs24 "
                + "".join(f"Person {i}\\par " for i in range(COUNT)) + "}")
    first_run(desktop).exit()

    program = desktop.start(path)
    main = program.wait_main()
    wait_until("the title", lambda: "tall.rtf" in program.windows()[main])
    desktop.xdotool("windowsize", main, "1200", "900")
    wait_until("the new size", lambda: desktop.geometry(main)[2] == 1200)

    step("the end, a search, the end again and five turns of the wheel up")
    program.click(main, -120, -130)
    program.keys("ctrl+End")
    program.keys("ctrl+f")
    program.active("Find")
    program.type("Person 1500")
    program.keys("Return", "Escape")
    program.wait_main()
    program.keys("ctrl+End")
    x, y, width, height = desktop.geometry(main)
    desktop.xdotool("mousemove", str(x + 800), str(y + 600))
    for _ in range(5):
        desktop.xdotool("click", "4")
    desktop.xdotool("mousemove", "0", "0")

    os.makedirs(OUTPUT, exist_ok=True)
    shot = os.path.join(OUTPUT, "tall.pgm")
    wait_until("the box drawn", lambda: desktop.run("import", "-window", main, "-depth", "8", shot) is not None)
    _, _, ink = gray_ink(shot)
    # Rows of the destination box, clear of its edges and of its horizontal scroll bar.
    lines = ink_lines(ink, range(height * 2 // 5 + 30, height - 90), range(width // 3 + 2, width - 40))[1:-1]
    pitches = {b[0] - a[0] for a, b in zip(lines, lines[1:])}
    assert len(lines) > 10 and max(pitches) - min(pitches) <= 1, lines

    step("a mark typed at the start of each line drawn")
    for top, bottom, left in lines:
        desktop.xdotool("mousemove", str(x + left + 1), str(y + (top + bottom) // 2), "click", "1")
        program.keys("Home")
        program.type("#")
    program.keys("ctrl+s")

    def marked():
        with open(path, encoding="latin-1") as f:
            return [int(n) for n in re.findall(r"#Person (\d+)\\par", f.read())]

    numbers = wait_until("the marks saved", marked)
    assert len(numbers) == len(lines) and numbers == list(range(numbers[0], numbers[0] + len(lines))), numbers
    program.exit()


run(scenario)
