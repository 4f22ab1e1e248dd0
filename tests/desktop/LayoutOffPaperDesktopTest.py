#!/usr/bin/env python3
# A definition whose return address lies off its paper prints nothing. From the menu
# a person is told what lies outside and may open the definitions manager; "/p" ends
# at once with a failed status and the reason, with no box left waiting for anyone.
import os

from desktop import CONFIG, PDF, SANITIZER_REPORT, WORK, first_run, run, step


def scenario(desktop):
    first_run(desktop).exit()
    settings = os.path.join(CONFIG, "plikora.INI")
    with open(settings, encoding="utf-8") as f:
        text = f.read()
    with open(settings, "w", encoding="utf-8") as f:
        f.write(text.replace("[Envelopes]\n", "[Envelopes]\nEnvelope1_ReturnLeft=2000\n", 1))
    document = os.path.join(WORK, "one.txt")
    with open(document, "w", encoding="utf-8") as f:
        f.write("Jane Doe\r\n1 Elm Street\r\nSpringfield IL 62704\r\n")
    if os.path.exists(PDF):
        os.remove(PDF)

    step("/p says why and ends")
    program = desktop.start("/p", document)
    assert program.exit_status() == 1, program.output()
    assert "the return address starts outside the area the printer can print" in program.output(), program.output()
    assert not SANITIZER_REPORT.search(program.output()), program.output()

    step("a person is told, declines, then opens the definitions manager")
    program = desktop.start(document)
    program.wait_main()
    program.keys("ctrl+p")
    program.active("Warning")
    program.keys("Escape")
    program.wait_main()
    program.keys("ctrl+p")
    program.active("Warning")
    program.keys("Return")
    program.active("Envelope Definitions")
    program.keys("Escape")
    program.wait_main()
    assert not os.path.exists(PDF)
    program.exit()


run(scenario)
