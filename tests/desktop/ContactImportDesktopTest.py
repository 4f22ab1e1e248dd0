#!/usr/bin/env python3
# Contacts imported from a vCard folder: the Friends folder chosen, two contacts ticked and
# formatted, and one envelope printed for each.
import os
import shutil
import time

from desktop import PDF, first_run, pdf_text, read_ini, run, step

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "contacts")


def scenario(desktop):
    shutil.copytree(FIXTURES, os.path.join(os.environ["XDG_DATA_HOME"], "contacts"))
    program = first_run(desktop)

    step("the folder of friends chosen")
    program.keys("alt+f", "i")
    program.active("Import Address Book Contacts")
    # The first folder with cards (Family) comes first; the next one reloads at once.
    program.keys("Down")
    # The window closes and comes back with the folder's contacts.
    time.sleep(1)
    program.active("Import Address Book Contacts")

    step("two contacts ticked")
    # Sorted: Bad, Bytes; Müller, Jürgen; Nameless Corp; Smith, John; Zeta, Ann.
    program.keys("Tab", "Down", "Down", "Down", "space", "Down", "space", "Return")

    step("each formatted as offered: one Return is OK")
    for _ in range(2):
        # The window is the same for both contacts: it goes and comes back.
        time.sleep(1)
        program.active("Format Contact Address")
        program.keys("Return")
    program.wait_main()
    assert read_ini("Registry.ini")["Outlook"]["ContactFolderEntryID"] == "/Friends"

    step("one envelope each")
    info = program.print_envelope()
    assert info["Pages"] == "2", info
    text = pdf_text(PDF)
    for words in ("John Smith", "Sales Manager", "Acme Tools", "1 Industry Way", "Ann Adams", "2 Oak Lane"):
        assert words in text, (words, text)
    program.exit()


run(scenario)
