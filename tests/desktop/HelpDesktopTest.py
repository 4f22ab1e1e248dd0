#!/usr/bin/env python3
# F1 on a control of three windows opens the help window at that control's section (its
# title names the section); the help window ends with the program.
from desktop import first_run, run, step, wait_until


def help_windows(desktop):
    """The help window's titles: it is a program of its own, so it is found by its title."""
    ids = desktop.xdotool("search", "--onlyvisible", "--name", "Plikora Help$", check=False).split()
    return [desktop.xdotool("getwindowname", wid, check=False).strip() for wid in ids]


def f1_shows(program, desktop, heading):
    program.keys("F1")
    wait_until(f'the help at "{heading}"', lambda: f"{heading} - Plikora Help" in help_windows(desktop))


def close(program, desktop, title, main):
    """Escape until the dialog goes (a mnemonic's button may still be down), then the main window."""
    def gone():
        program.keys("Escape")
        return title not in program.windows().values()
    wait_until(f'"{title}" to close', gone)
    back_to(program, desktop, main)


def back_to(program, desktop, wid, title=None):
    program.take_back(wid)
    if title:
        program.active(title)
    else:
        program.wait_main()


def scenario(desktop):
    program = first_run(desktop)
    main = program.wait_main()

    step("the destination box of the main window")
    program.address("Jane Doe", "1 Elm St", "Springfield, IL 62704")
    f1_shows(program, desktop, "Destination box")
    back_to(program, desktop, main)

    step("the units of the options")
    program.keys("alt+o", "o")
    options = program.active("Plikora Options")
    program.keys("alt+i")
    f1_shows(program, desktop, "Units of Measure")
    back_to(program, desktop, options, "Plikora Options")
    close(program, desktop, "Plikora Options", main)

    step("the envelope box of the print dialog, which has the focus when it opens")
    program.keys("ctrl+p")
    printing = program.active("Print Envelope")
    f1_shows(program, desktop, "Envelope")
    back_to(program, desktop, printing, "Print Envelope")
    close(program, desktop, "Print Envelope", main)

    step("the help window ends with the program")
    program.exit(("Confirm", "n"))
    wait_until("the help window to go", lambda: not help_windows(desktop))


run(scenario)
