#!/usr/bin/env python3
# Settings that cannot be written (a folder where Registry.ini belongs): the program
# works, says so once, and still ends with status 0 when closed.
import os

from desktop import CONFIG, first_run, run, step


def scenario(desktop):
    first_run(desktop).exit()
    registry = os.path.join(CONFIG, "Registry.ini")
    os.remove(registry)
    os.mkdir(registry)

    step("printed and closed with a folder in Registry.ini's place")
    program = desktop.start()
    program.wait_main()
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704")
    program.print_envelope()
    program.exit(("Confirm", "n"), ("Error", "Return"))
    assert os.path.isdir(registry)


run(scenario)
