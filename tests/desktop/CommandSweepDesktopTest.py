#!/usr/bin/env python3
# Every command of the main window a person can reach, in each kind of state: its menus
# and pop-up menus by keyboard, one item after another by place, and its toolbar area's
# pop-up menu; the windows they open closed with Escape; the print dialog's controls walked
# with Tab and pressed with space. Empty, plain-text, rich-text and picture clipboards; an
# empty and a filled envelope; a selection and none. A crash, a sanitizer report or an
# uncaught exception fails the sweep.
from desktop import first_run, run, step
from sweep import EMPTY, FILL, SELECT, Sweep, clipboard, harmless, leave

# Items of each menu, those a state disables counted too.
EDIT, HELP, POPUP = 11, 8, 11


def scenario(desktop):
    harmless(desktop)

    step("nothing on the clipboard, an empty envelope: every menu")
    program = first_run(desktop)
    sweep = Sweep(program)
    sweep.menu(("alt+e",), EDIT)
    sweep.menu(("alt+h",), HELP)
    for key in "nosacip":
        sweep.trigger("alt+f", key)
    for key in "cdreto":
        sweep.trigger("alt+o", key)
    sweep.trigger("alt+a", "o")
    sweep.menu(("alt+d", "Menu"), POPUP)
    # The toolbar area's own pop-up menu.
    for i in range(2):
        desktop.xdotool("mousemove", "--window", program.main, "4", "40", "click", "3", "mousemove", "0", "0")
        sweep.trigger(*(["Down"] * (i + 1)), "Return")

    step("plain text on the clipboard, a filled envelope and a selection")
    clipboard(desktop, "text")
    sweep.menu(("alt+e",), EDIT, before=FILL + SELECT)
    for key in "sacp":
        sweep.trigger(*FILL, "alt+f", key)

    step("rich text, then a picture on the clipboard")
    clipboard(desktop, "rich")
    sweep.menu(("Menu",), POPUP, before=FILL + SELECT)
    clipboard(desktop, "image")
    sweep.menu(("alt+e",), EDIT, before=FILL)

    step("the print dialog's controls")
    sweep.keys(*FILL)
    sweep.window(("ctrl+p",), "Print Envelope", 12)
    step(f"{sweep.count} commands")
    sweep.own_the_keyboard()
    leave(program)


run(scenario)
