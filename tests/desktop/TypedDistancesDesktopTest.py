#!/usr/bin/env python3
# Envelope Definitions under a German locale: a distance typed with a decimal comma is read as
# typed, and the printer's Setup confirmed without another paper keeps it. Places are those of
# the window's first size.
from desktop import first_run, read_ini, run, step


def scenario(desktop):
    program = first_run(desktop, LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8")
    step("Format > Envelope Definitions")
    program.keys("alt+o", "e")
    wid = program.active("Envelope Definitions")
    x, y = desktop.geometry(wid)[:2]

    def click(dx, dy):
        desktop.xdotool("mousemove", str(x + dx), str(y + dy), "click", "1", "mousemove", "0", "0")

    step("1,5 typed as the return address's distance from the left")
    click(484, 33)  # the Envelope Indents tab
    click(680, 72)  # its value of "Return from left"
    program.type("1,5")
    program.keys("Return")

    step("Setup confirmed on the same paper")
    click(149, 220)
    program.active("Print to PDF Properties")
    program.keys("Return")
    program.active("Envelope Definitions")
    click(757, 261)  # OK
    program.wait_main()

    program.exit()
    envelopes = read_ini("plikora.INI")["Envelopes"]
    assert envelopes["Envelope1_ReturnLeft"] == "150", envelopes


run(scenario)
