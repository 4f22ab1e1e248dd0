#!/usr/bin/env python3
# A person gives "Home" a bold name line and a picture picked through the file-name box,
# closes the window and prints: the envelope carries both, and a restart keeps them.
import os
import re
import subprocess

from desktop import PDF, first_run, pdf_text, read_ini, run, step

PICTURE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "data", "graphics", "rgb24.bmp"))
# Places in the Return Addresses window at its first size.
TEXT_BOX = (400, 420)
BOLD = (454, 267)
FILE_NAME = (570, 70)


def pictures(path):
    """The number of pictures drawn in the PDF."""
    listed = subprocess.run(["pdfimages", "-list", path], capture_output=True, text=True, check=True).stdout
    return len(listed.splitlines()) - 2


def bold(rtf):
    """Whether the rich text switches bold on (not \\blue of the colour table)."""
    return re.search(r"\\b(?![a-z])(?!0)", rtf) is not None


def stored_home():
    section = read_ini("plikora.INI")["ReturnAddresses"]
    text = "".join(v for k, v in section.items() if k.startswith("Address1_"))
    return text, section.get("Address1Graphic")


def scenario(desktop):
    program = first_run(desktop)
    step("Format > Return Addresses: a new text, its first line bold")
    program.keys("alt+o", "r")
    window = program.active("Return Addresses")
    program.click(window, *TEXT_BOX)
    program.keys("ctrl+a")
    program.type("Ann Lee", "1 Elm Street", "Springfield IL 62704")
    program.keys("ctrl+Home", "shift+End")
    program.click(window, *BOLD)

    step("the picture, through the file-name box")
    program.click(window, *FILE_NAME)
    program.active("Select Return Address Graphic")
    program.type(PICTURE)
    program.keys("Return")
    program.active("Return Addresses")
    program.keys("Escape")
    program.wait_main()
    text, picture = stored_home()
    assert "Ann Lee" in text and bold(text), text
    assert picture == PICTURE, picture

    step("the printed envelope carries both")
    program.address("Jane Doe", "2 Oak Street", "Springfield IL 62704")
    program.print_envelope()
    assert "Ann Lee" in pdf_text(PDF), pdf_text(PDF)
    assert pictures(PDF) >= 1
    program.exit(("Confirm", "n"))

    step("a restart keeps them")
    program = desktop.start()
    program.wait_main()
    program.exit()
    text, picture = stored_home()
    assert "Ann Lee" in text and bold(text), text
    assert picture == PICTURE, picture


run(scenario)
