#!/usr/bin/env python3
# An envelope saved as .env, the program closed, and the file opened again from the
# recent-files list at the foot of the File menu.
import os

from desktop import PDF, first_run, pdf_text, read_ini, run, step, wait_until


def scenario(desktop):
    # Save As starts in the documents folder; a bare name there needs no typed path, whose
    # completions could take the Return meant for the dialog.
    folder = os.path.join(os.environ["HOME"], "Documents")
    os.makedirs(folder)
    program = first_run(desktop)
    step("saved as an .env document")
    program.address("Jane Doe", "1 Elm Street", "Springfield IL 62704")
    document = os.path.join(folder, "Jane.env")
    program.keys("alt+f", "a")
    program.active("Save As")
    program.keys("ctrl+a")
    program.type("Jane.env")
    program.keys("Return")
    wait_until("the document's name in the title", lambda: "Jane.env" in program.windows()[program.main])
    program.wait_main()
    with open(document, "rb") as f:
        assert b"Jane Doe" in f.read()
    assert document in read_ini("Registry.ini")["OldFiles"].values()
    program.exit()

    step("reopened from the recent files")
    program = desktop.start()
    program.wait_main()
    program.keys("alt+f", "1")
    # The title names the program once, as the program means it.
    wait_until("the document's name as the title", lambda: program.windows()[program.main] == "Plikora - " + document)
    program.print_envelope()
    assert "Jane Doe" in pdf_text(PDF)
    program.exit()


run(scenario)
