#!/usr/bin/env python3
# The font dialogs opened and closed with OK, nothing changed in them: the stored default
# font and the text's own font stay what they were.
import os

from desktop import WORK, first_run, read_ini, run, step, wait_until


def scenario(desktop):
    program = first_run(desktop)
    step("Format > Default Font & Style, OK")
    program.keys("alt+o", "d")
    program.active("Select Font")
    program.keys("Return")
    program.wait_main()
    stored = read_ini("Registry.ini").get("EnvelopeFont", {}).get("FontName", "Arial")
    assert stored == "Arial", stored

    step("Format > Current Font & Style on the whole address, OK, then saved")
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704")
    program.keys("ctrl+Home", "ctrl+shift+End", "alt+o", "c")
    program.active("Select Font")
    program.keys("Return")
    program.wait_main()
    document = os.path.join(WORK, "jane.env")
    program.keys("ctrl+a")
    program.active("Save As")
    program.keys("ctrl+a")
    program.type(document)
    program.keys("Return")
    wait_until("the document's name as the title", lambda: program.windows()[program.main].endswith("jane.env"))
    with open(document, "rb") as f:
        data = f.read()
    assert b"Arial" in data and b"Sans Serif" not in data, data
    program.exit()


run(scenario)
