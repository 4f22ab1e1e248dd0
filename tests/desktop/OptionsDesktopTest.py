#!/usr/bin/env python3
# Options: centimetres, the 38 stamp and the bar code below the address, stored on OK;
# the favorites folder browsed, cancelled and chosen; Cancel of the dialog keeps the rest;
# font samples turned off reach the Return Addresses window at once, as after a restart.
import os
import subprocess
import time

from desktop import first_run, read_ini, run, step, wait_until


def options(program):
    program.keys("alt+o", "o")
    return program.active("Plikora Options")


# The font box of the Return Addresses window at its first size.
FONT_BOX = (351, 267)


def font_list_picture(program):
    """The Return Addresses window with its font box's list open, once drawn (alike twice in a row)."""
    program.keys("alt+o", "r")
    window = program.active("Return Addresses")
    program.click(window, *FONT_BOX)
    x, y, width, height = program.desktop.geometry(window)
    last = [None]

    def settled():
        # The list is a window of its own over this one: the screen there holds both.
        picture = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "-depth", "8",
                                  "rgb:-"], env=program.desktop.env, capture_output=True, check=True).stdout
        same, last[0] = picture == last[0], picture
        time.sleep(0.3)
        return picture if same else None
    picture = wait_until("the font list to be drawn", settled)

    def closed():
        # The first Escape closes the list, the next one the window.
        program.keys("Escape")
        time.sleep(0.3)
        return window not in program.windows()
    wait_until("the Return Addresses window to close", closed)
    program.wait_main()
    return picture


def scenario(desktop):
    program = first_run(desktop)

    step("Options: centimetres, the 38 stamp, the bar code below the address, OK")
    options(program)
    program.keys("alt+c", "alt+w", "alt+p", "Down", "Return")
    program.wait_main()
    # Options are written once the dialog has gone, and the disk may take a moment.
    wait_until("the options stored", lambda: read_ini("Registry.ini")["Options"].get("Measure") == "1", quiet=True)
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

    step("font samples off: the Return Addresses window follows at once, as after a restart")
    samples = font_list_picture(program)
    options(program)
    # A box ticked by its mnemonic changes only when the key's press has shown; an OK at once
    # would close the dialog before.
    program.keys("alt+m")
    time.sleep(0.5)
    program.keys("Return")
    program.wait_main()
    wait_until("font samples stored off", lambda: read_ini("Registry.ini")["Options"]["ShowFonts"] == "0")
    names = font_list_picture(program)
    assert names != samples, "the font list of the Return Addresses window still shows font samples"
    program.exit()
    program = desktop.start()
    program.wait_main()
    assert font_list_picture(program) == names, "after a restart the window looks otherwise"
    program.exit()


run(scenario)
