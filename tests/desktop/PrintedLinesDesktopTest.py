#!/usr/bin/env python3
# A destination with indents, a centred line, a right-aligned line and a line in a
# right-to-left script: each line starts on paper where the box shows it, in inches
# from the text's first line, within a pixel of the screen.
import os
import re
import subprocess

from desktop import OUTPUT, PDF, WORK, first_run, gray_ink, ink_lines, run, step, wait_until

RTF = (r"{\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}}\f0\fs24 "
       r"\pard Hub first\par "
       r"\pard\li1440 Hub inch\par "
       r"\pard\fi720 Hub half\par "
       r"\pard\qc Hub centred\par "
       r"\pard\qr Hub right\par "
       r"\pard \u1513?\u1500?\u1493?\u1501? \u1506?\u1493?\u1500?\u1501?\par }" "\r\n")
LINES = 6
DPI = 96


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
    width, height, ink = gray_ink(shot)
    # The destination: the right two thirds, below the return address, left of its scroll bar.
    screen = [left for _, _, left in ink_lines(ink, range(height * 2 // 5, height - 80), range(width // 3 + 2, width - 40))]
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
    pw, ph, paper_ink = gray_ink(os.path.join(WORK, "page.pgm"))
    x0 = int((left - 36) * DPI * scale / 72)
    y0 = int((top - 4) * DPI * scale / 72)
    paper = [left for _, _, left in ink_lines(paper_ink, range(y0, ph), range(max(0, x0), pw))]
    assert len(paper) >= LINES, paper
    paper = [(x - paper[0]) / (DPI * scale) for x in paper[:LINES]]
    print("screen", [round(x * DPI, 1) for x in screen], "paper", [round(x * DPI, 1) for x in paper])
    for line, (s, p) in enumerate(zip(screen, paper)):
        assert abs(s - p) * DPI <= 1, (line, s * DPI, p * DPI)
    program.exit()


run(scenario)
