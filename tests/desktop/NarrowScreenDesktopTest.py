#!/usr/bin/env python3
# On a 1024 x 768 screen the first main window's toolbars wrap onto more rows, so that the
# Return and Envelope lists show, not behind a toolbar's extension button.
from desktop import first_run, opens_list, run, step


def scenario(desktop):
    program = first_run(desktop)
    step("the first window shows both lists")
    opens_list(program, "alt+r")
    opens_list(program, "alt+n")
    program.exit()


run(scenario, screen="1024x768")
