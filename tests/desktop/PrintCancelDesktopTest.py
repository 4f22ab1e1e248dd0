#!/usr/bin/env python3
# A person cancels a long print of many addresses from the progress window: the
# envelopes done so far are in the PDF, in order, and the rest are not.
import os
import subprocess

from desktop import PDF, WORK, first_run, run, step

ADDRESSES = 500


def page_text(page):
    return subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), PDF, "-"], capture_output=True, text=True,
                          check=True).stdout


def scenario(desktop):
    first_run(desktop).exit()
    document = os.path.join(WORK, "many.txt")
    with open(document, "w", encoding="utf-8") as f:
        f.write("\r\n\r\n".join(f"Person {n}\r\n{n} Elm Street\r\nSpringfield IL 62704" for n in range(1, ADDRESSES + 1)))
    program = desktop.start(document)
    program.wait_main()

    step("print every address, and cancel from the progress window")
    if os.path.exists(PDF):
        os.remove(PDF)
    program.keys("ctrl+p")
    program.active("Print Envelope")
    program.keys("Return")
    progress = program.window("Plikora")
    program.click(progress, program.desktop.geometry(progress)[2] // 2, -24)
    info = program.printed()

    pages = int(info["Pages"])
    step(f"{pages} of {ADDRESSES} envelopes printed")
    assert 1 <= pages < ADDRESSES, f"{pages} pages"
    assert "Person 1\n" in page_text(1)
    assert f"Person {pages}\n" in page_text(pages)
    program.exit()


run(scenario)
