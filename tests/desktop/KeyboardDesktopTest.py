#!/usr/bin/env python3
# The main window without a mouse: Tab walks destination, attention and the two lists and
# back, Ctrl+Tab types a tab, the focus comes back to the destination after each manager,
# access keys reach the boxes, and F1 opens the help of the focused box.
import re

from desktop import PDF, first_run, pdf_text, run, step, wait_until


def scenario(desktop):
    program = first_run(desktop)
    program.address("Jane Doe", "1 Elm Street", "Springfield IL")

    step("Tab to the attention line, twice more through the lists, and back")
    program.keys("Tab")
    program.type("Sales")
    program.keys("Tab", "Tab", "Tab")
    program.type(" 62704")

    step("each manager closed, then typing goes on in the destination")
    program.keys("alt+o", "r")
    program.active("Return Addresses")
    program.keys("Escape")
    program.wait_main()
    program.keys("minus")
    program.type("1234")
    program.keys("alt+o", "e")
    program.active("Envelope Definitions")
    program.keys("Escape")
    program.wait_main()
    program.keys("Return")
    program.type("USA")

    step("access keys: the attention line, then the destination")
    program.keys("alt+t", "End")
    program.type(" Dept")
    program.keys("alt+d", "ctrl+End", "ctrl+Tab")
    program.type("2")

    program.print_envelope()
    text = pdf_text(PDF)
    for expected in ("Springfield IL 62704-1234", "Sales Dept", "USA"):
        assert expected in text, f"{expected!r} not printed:\n{text}"
    # pdftotext lays a tab out as spaces.
    assert re.search(r"USA\s{2,}2", text), f"Ctrl+Tab typed no tab:\n{text}"

    step("F1 opens the help of the focused box")
    program.keys("F1")
    wait_until("the help of the destination box", lambda: desktop.xdotool(
        "search", "--name", "^Destination box - Plikora Help$", check=False).strip())
    program.take_back(program.main)
    program.wait_main()
    program.exit(("Confirm", "n"))


run(scenario)
