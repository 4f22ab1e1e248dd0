#!/usr/bin/env python3
# A newcomer's first envelope, then File > Exit and starting again: the window comes back
# where it was, with the same definition and return address, and nothing is asked again.
import re
import subprocess

from desktop import PDF, first_run, pdf_text, read_ini, run, step, wait_until

RESTARTS = 5
RETURN = ("Your", "Name", "123", "Main", "St.", "Somewhere,", "XX", "98765")
DESTINATION = ("Jane", "Doe", "1", "Elm", "Street", "Springfield", "IL", "62704")


def page_size(info):
    return tuple(round(float(v)) for v in info["Page size"].split()[0:3:2])


def word_boxes():
    """The printed words' boxes in points, (left, top, right, bottom) from the page's top left corner."""
    out = subprocess.run(["pdftotext", "-bbox", PDF, "-"], capture_output=True, text=True, check=True).stdout
    return {m[4]: tuple(map(float, m[:4])) for m in re.findall(
        r'<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>', out)}


def around(boxes, words):
    return tuple(f(boxes[w][i] for w in words) for i, f in enumerate((min, min, max, max)))


def check_layout(size):
    """A landscape #10 envelope: lines along the long side, the return address a quarter inch in
    from the edges and clear of the destination."""
    width, height = size
    boxes = word_boxes()
    jane, doe = boxes["Jane"], boxes["Doe"]
    across, down = abs(doe[0] - jane[0]), abs(doe[1] - jane[1])
    assert (down > across) == (height > width), ("lines run across the short side", jane, doe, size)
    sender, to = around(boxes, RETURN), around(boxes, DESTINATION)
    assert min(sender[0], sender[1], width - sender[2], height - sender[3]) >= 17, ("no inset", sender, size)
    assert sender[2] <= to[0] or to[2] <= sender[0] or sender[3] <= to[1] or to[3] <= sender[1], (sender, to)


def scenario(desktop):
    step("first run")
    program = first_run(desktop)
    envelopes = read_ini("plikora.INI")["Envelopes"]
    assert (envelopes["Count"], envelopes["Envelope1"], envelopes["Envelope1_PrinterName"]) == (
        "1", "#10 Business", "Print to PDF"), envelopes
    # Stored with its printer setup at once: a #10 envelope (paper 20) in landscape (2).
    assert (envelopes["Envelope1_PaperSize"], envelopes["Envelope1_Orientation"]) == ("20", "2"), envelopes
    assert envelopes["Envelope1_Fields"] != "0", envelopes

    step("an address printed")
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704")
    info = program.print_envelope()
    assert (info["Title"], info["Pages"]) == ("Plikora Envelope", "1"), info
    size = page_size(info)
    # A #10 envelope, 9.5 x 4.125 inches, in landscape.
    assert size == (684, 297), size
    check_layout(size)

    step("moved and resized, then File > Exit")
    desktop.xdotool("windowsize", program.main, "760", "530", "windowmove", program.main, "150", "80")
    place = wait_until("the new place", lambda: (g := desktop.geometry(program.main))[2:] == (760, 530) and g[0] > 100
                       and g[1] > 60 and g)
    program.exit(("Confirm", "n"))
    settings = read_ini("plikora.INI")
    assert "MainWindow" in read_ini("Registry.ini")

    for run_number in range(RESTARTS):
        step(f"start {run_number + 2}")
        program = desktop.start()
        program.wait_main()
        wait_until(f"the window at {place}, not {desktop.geometry(program.main)}",
                   lambda: desktop.geometry(program.main) == place, timeout=5)
        if run_number == 0:
            # Still running, with nothing asked, five seconds after the start.
            program.only_main_for(5)
            program.address("John Roe", "9 Oak Road", "Shelbyville IL 62565")
            info = program.print_envelope()
            assert page_size(info) == size, info
            text = pdf_text(PDF)
            assert "Your Name" in text and "John Roe" in text, text
            program.exit(("Confirm", "n"))
        else:
            program.exit()
        now = read_ini("plikora.INI")
        for section in ("Envelopes", "ReturnAddresses"):
            assert now[section] == settings[section], (section, settings[section], now[section])


run(scenario)
