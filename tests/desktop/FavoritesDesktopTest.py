#!/usr/bin/env python3
# An untitled envelope added to the favorites (saved first, as the program asks), the
# program closed, and the envelope opened again from the Favorites menu.
import os

from desktop import CONFIG, first_run, run, step, wait_until


def scenario(desktop):
    folder = os.path.join(os.environ["HOME"], "Documents")
    os.makedirs(folder)
    document = os.path.join(folder, "Jane.env")
    program = first_run(desktop)
    step("added to the favorites, saved on the way")
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704")
    program.keys("alt+a", "a")
    program.active("Information")
    program.keys("Return")
    program.active("Save As")
    program.keys("ctrl+a")
    program.type("Jane.env")
    program.keys("Return")
    program.active("Add Favorite")
    program.keys("Return")
    program.wait_main()
    assert os.path.exists(document)
    assert os.listdir(os.path.join(CONFIG, "Favorites")) == ["Jane Doe.LNK"]
    program.exit()

    step("reopened from the Favorites menu")
    program = desktop.start()
    program.wait_main()
    # Add is disabled on an empty envelope: Organize is the first item, the favourite follows.
    program.keys("alt+a", "Down", "Return")
    wait_until("the document's name as the title", lambda: program.windows()[program.main] == "Plikora - " + document)
    program.exit()


run(scenario)
