#!/usr/bin/env python3
# A destination with indents, a centred line, a right-aligned line and a line in a
# right-to-left script: each line starts on paper where the box shows it, in inches
# from the text's first line, within a pixel of the screen.
import os
import re
import subprocess

from desktop import OUTPUT, PDF, WORK, first_run, run, step, wait_until

RTF = (r"{\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}}\f0\fs24 "
       r"\pard Hub first\par "
       r"\pard\li1440 Hub inch\par "
       r"\pard\fi720 Hub half\par "
       r"\pard\qc Hub centred\par "
       r"\pard\qr Hub right\par "
       r"\pard \u1513?\u1500?\u1493?\u1501? \u1506?\u1493?\u1500?\u1501?\par }" "\r\n")
LINES = 6
DPI = 96


def pixels(path):
    """Width, height and a function from x, y to whether that pixel is ink, of a PPM or PGM file."""
    with open(path, "rb") as f:
        data = f.read()
    magic, width, height, _, body = re.match(rb"(P[56])\s+(\d+)\s+(\d+)\s+(\d+)\s(.*)", data, re.S).groups()
    width, height = int(width), int(height)
    step_ = 3 if magic == b"P6" else 1
    return width, height, lambda x, y: body[(y * width + x) * step_] < 110


def left_edges(ink, rows, columns):
    """The left edge of the ink of each run of rows that holds ink, top to bottom."""
    lines = []
    inside = False
    for y in rows:
        xs = [x for x in columns if ink(x, y)]
        if xs and not inside:
            lines.append(xs[0])
        elif xs:
            lines[-1] = min(lines[-1], xs[0])
        inside = bool(xs)
    return lines


def scenario(desktop):
    path = os.path.join(WORK, "lines.env")
    with open(path, "wb") as f:
        f.write(b"[Morvane_Software_Plikora_Envelope]\r\n*** DO NOT TRY TO EDIT THIS FILE!!! ***\r\n"
                + b"[Destination=%d]\r\n" % (len(RTF) + 1) + RTF.encode() + b"\0")
    first_run(desktop).exit()

    step("the text opened in a window wide enough for the width it prints in")
    program = desktop.start(path)
    main = program.wait_main()
    wait_until("the title", lambda: "lines.env" in program.windows()[main])
    desktop.xdotool("windowsize", main, "1200", "900")
    wait_until("the new size", lambda: desktop.geometry(main)[2] == 1200)
    program.click(main, 100, -45)  # into the attention line: no caret in the destination
    os.makedirs(OUTPUT, exist_ok=True)
    shot = os.path.join(OUTPUT, "screen.pgm")
    desktop.run("import", "-window", main, "-depth", "8", shot)
    width, height, ink = pixels(shot)
    # The destination: the right two thirds, below the return address, left of its scroll bar.
    screen = left_edges(ink, range(height * 2 // 5, height - 80), range(width // 3 + 2, width - 40))
    assert len(screen) >= LINES, screen
    screen = [(x - screen[0]) / DPI for x in screen[:LINES]]

    step("printed")
    program.print_envelope()
    words = re.findall(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">(.*?)</word>',
                       subprocess.run(["pdftotext", "-bbox", PDF, "-"], capture_output=True, text=True,
                                      check=True).stdout)
    first = next(w for w in words if w[3] == "Hub")
    top, left = float(first[1]), float(first[0])
    scale = 4  # rendered at four pixels to the box's one
    subprocess.run(["pdftoppm", "-r", str(DPI * scale), "-gray", "-singlefile", PDF, os.path.join(WORK, "page")],
                   check=True)
    pw, ph, paper_ink = pixels(os.path.join(WORK, "page.pgm"))
    x0 = int((left - 36) * DPI * scale / 72)
    y0 = int((top - 4) * DPI * scale / 72)
    paper = left_edges(paper_ink, range(y0, ph), range(max(0, x0), pw))
    assert len(paper) >= LINES, paper
    paper = [(x - paper[0]) / (DPI * scale) for x in paper[:LINES]]
    print("screen", [round(x * DPI, 1) for x in screen], "paper", [round(x * DPI, 1) for x in paper])
    for line, (s, p) in enumerate(zip(screen, paper)):
        assert abs(s - p) * DPI <= 1, (line, s * DPI, p * DPI)
    program.exit()


run(scenario)
