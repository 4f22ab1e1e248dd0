#!/usr/bin/env python3
# "plikora /p FILE" prints through its dialog and ends, ten times in a row: the
# progress window, which stays up for a moment after the job, never keeps the
# program running after its main window has closed. The file's name is not UTF-8. A file
# that is not there prints nothing and ends with a failed status.
import os

from desktop import PDF, SANITIZER_REPORT, WORK, first_run, pdf_text, run, step


def scenario(desktop):
    first_run(desktop).exit()
    document = os.fsdecode(os.path.join(os.fsencode(WORK), b"adresse \xe9t\xe9.txt"))
    with open(document, "w", encoding="utf-8") as f:
        f.write("Jane Doe\r\n1 Elm Street\r\nSpringfield IL 62704\r\n")
    for n in range(1, 11):
        step(f"print run {n}")
        if os.path.exists(PDF):
            os.remove(PDF)
        program = desktop.start("/p", document)
        program.active("Print Envelope")
        program.keys("Return")
        program.ended_cleanly()
        assert "Jane Doe" in pdf_text(PDF)

    step("a missing file prints nothing, and the exit status says so")
    program = desktop.start("/p", os.path.join(WORK, "missing.env"))
    program.active("Warning")
    program.keys("Return")
    assert program.exit_status() == 1, program.output()
    assert not SANITIZER_REPORT.search(program.output()), program.output()


run(scenario)
