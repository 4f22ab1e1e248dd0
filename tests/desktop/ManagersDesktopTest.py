#!/usr/bin/env python3
# Each manager opened and closed twice, their places kept; then the print dialog's Setup
# button, which opens the envelope definitions over it, and printing after it.
from desktop import first_run, read_ini, run, step

MANAGERS = (("r", "Return Addresses", "ReturnAddressWindow"), ("e", "Envelope Definitions", "EnvelopeSizesWindow"))


def scenario(desktop):
    program = first_run(desktop)
    for time in (1, 2):
        for key, title, section in MANAGERS:
            step(f"Format > {title}, time {time}")
            program.keys("alt+o", key)
            program.active(title)
            program.keys("Escape")
            program.wait_main()
            assert section in read_ini("Registry.ini")

    step("the print dialog's Setup")
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704")
    program.keys("ctrl+p")
    dialog = program.active("Print Envelope")
    program.click(dialog, 310, 52)
    program.active("Envelope Definitions")
    program.keys("Escape")
    program.active("Print Envelope")
    program.keys("Return")
    program.printed()
    program.exit(("Confirm", "n"))


run(scenario)
