#!/usr/bin/env python3
# Envelope Definitions: the destination marker dragged higher on the sample envelope and a
# distance typed into the Envelope Indents page; the next envelope printed follows both, and
# the definition keeps them. Places are those of the window's default size.
import re
import subprocess

from desktop import PDF, first_run, read_ini, run, step


def word(name):
    out = subprocess.run(["pdftotext", "-bbox", PDF, "-"], capture_output=True, text=True, check=True).stdout
    m = re.search(r'<word xMin="([-\d.]+)" yMin="([-\d.]+)"[^>]*>' + name + "</word>", out)
    assert m, out
    return float(m[1]), float(m[2])


def scenario(desktop):
    program = first_run(desktop)
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704")
    program.print_envelope()
    jane, sender = word("Jane"), word("Your")

    step("Format > Envelope Definitions")
    program.keys("alt+o", "e")
    wid = program.active("Envelope Definitions")
    x, y = desktop.geometry(wid)[:2]

    def at(dx, dy):
        return str(x + dx), str(y + dy)

    step("the destination marker dragged 20 pixels up")
    desktop.xdotool("mousemove", *at(229, 382), "mousedown", "1")
    for dy in (5, 10, 15, 20):
        desktop.xdotool("mousemove", *at(229, 382 - dy))
    desktop.xdotool("mouseup", "1")

    step("1 inch typed as the return address's distance from the left")
    desktop.xdotool("mousemove", *at(484, 33), "click", "1")
    desktop.xdotool("mousemove", *at(680, 72), "click", "1")
    program.type("1")
    program.keys("Return")
    desktop.xdotool("mousemove", *at(757, 261), "click", "1", "mousemove", "0", "0")
    program.wait_main()

    step("printed again")
    program.print_envelope()
    moved_jane, moved_sender = word("Jane"), word("Your")
    # 20 pixels at 100/333 of 96 a inch are about 0.69 inch: the destination stands that much higher.
    assert 40 < jane[1] - moved_jane[1] < 60, (jane, moved_jane)
    assert abs(moved_jane[0] - jane[0]) < 2, (jane, moved_jane)
    assert abs(moved_sender[0] - sender[0] - 72) < 2, (sender, moved_sender)

    program.exit(("Confirm", "n"))
    envelopes = read_ini("plikora.INI")["Envelopes"]
    assert envelopes["Envelope1_ReturnLeft"] == "100", envelopes
    assert 260 <= int(envelopes["Envelope1_DestinationBottom"]) <= 275, envelopes


run(scenario)
