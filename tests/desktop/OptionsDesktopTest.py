#!/usr/bin/env python3
# Options: centimetres, the 38 stamp and the bar code below the address, stored on OK;
# the favorites folder browsed, cancelled and chosen; Cancel of the dialog keeps the rest.
import os
import time

from desktop import first_run, read_ini, run, step


def options(program):
    program.keys("alt+o", "o")
    return program.active("Plikora Options")


def scenario(desktop):
    program = first_run(desktop)

    step("Options: centimetres, the 38 stamp, the bar code below the address, OK")
    options(program)
    program.keys("alt+c", "alt+w", "alt+p", "Down", "Return")
    program.wait_main()
    stored = read_ini("Registry.ini")["Options"]
    assert (stored["Measure"], stored["StampPrice"], stored["PrintBarCode"]) == ("1", "38", "3"), stored
    assert stored["ShowHints"] == "1", stored

    step("the favorites folder: browse, cancel, browse again and choose")
    favorites = stored["FavoritesPath"]
    options(program)
    program.keys("alt+f", "alt+v", "space")
    program.active("Select Favorites Folder")
    program.keys("Escape")
    program.active("Plikora Options")
    assert read_ini("Registry.ini")["Options"]["FavoritesPath"] == favorites
    program.keys("alt+v", "space")
    program.active("Select Favorites Folder")
    program.keys("Return")
    program.active("Plikora Options")
    chosen = read_ini("Registry.ini")["Options"]["FavoritesPath"]
    assert os.path.samefile(chosen, favorites), (chosen, favorites)

    step("Cancel keeps what is stored")
    program.keys("alt+s", "alt+i", "alt+h")
    # A button pressed by its mnemonic stays down a moment, and an Escape then only lifts it;
    # on a busy machine that moment is longer, so Escape is pressed until the dialog goes.
    deadline = time.monotonic() + 60
    while True:
        time.sleep(0.5)
        program.keys("Escape")
        time.sleep(0.5)
        if "Plikora Options" not in program.windows().values():
            break
        assert time.monotonic() < deadline, "Plikora Options did not close"
    program.wait_main()
    after = read_ini("Registry.ini")["Options"]
    assert (after["Measure"], after["ShowHints"]) == ("1", "1"), after
    program.exit()


run(scenario)
