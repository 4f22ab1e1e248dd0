#!/usr/bin/env python3
# Every button of the windows the main window opens, in each kind of state: the return
# addresses (list, picture, editor toolbars and pop-up menus) with each kind of clipboard, a
# selection and none, one entry, several and none; the envelope definitions with one, two
# and none, and the main window, Options, Customize Toolbar and Favorites without any. What
# the buttons open is closed with Escape, or answered where that is what a person does.
# A crash, a sanitizer report or an uncaught exception fails the sweep.
import os

from desktop import WORK, first_run, run, step, wait_until
from sweep import FILL, PICTURE, Sweep, clipboard, harmless, leave

# Places in the Return Addresses window at its first size.
RETURN = {"list": (190, 47), "add": (106, 161), "rename": (279, 161), "delete": (106, 189), "default": (279, 189)}
PICTURE_BUTTONS = {"browse": (460, 126), "clip art": (571, 126), "reload": (683, 126), "clear": (460, 154),
                   "edit": (571, 154), "file name": (570, 70)}
PICTURE_PANEL, WIDTH, TEXT, TOOLBAR_AREA, OK = (398, 100), (490, 98), (400, 400), (715, 266), (621, 537)
# Open, Save; Undo, Cut, Copy, Paste; font, Bold, Italic, Underline, size, colour.
TOOLS = [(x, 266) for x in (50, 84, 133, 166, 199, 232, 350, 457, 489, 522, 560, 640)]
EDIT_TOOLS = TOOLS[2:6]
TEXT_MENU, PICTURE_MENU = 7, 4
# Places in the Envelope Definitions window at its first size.
DEFINITIONS = {"list": (150, 47), "add": (63, 212), "rename": (152, 212), "delete": (240, 212),
               "default": (63, 240), "setup": (152, 240), "reset": (240, 240), "help": (757, 308),
               "send": (757, 336), "custom size": (330, 138), "printer size": (330, 84),
               "indents": (483, 53), "size page": (365, 53), "printer setup": (599, 53)}
# On the Printer Setup page, the last place above.
GRID = (400, 130)
SETUP = "Print to PDF Properties"
DEFINITION_OK = (757, 280)


def text_menu(sweep, wid, before=()):
    """The text box's pop-up menu, item by item."""
    for i in range(TEXT_MENU):
        sweep.click(wid, TEXT, then=(*before, "Menu"), item=i)


def return_addresses(sweep, program):
    step("Return Addresses, nothing on the clipboard: every button, tool and pop-up menu")
    program.keys("alt+o", "r")
    wid = program.active("Return Addresses")
    for place in [*RETURN.values(), *TOOLS, *PICTURE_BUTTONS.values()]:
        sweep.click(wid, place)
    text_menu(sweep, wid)
    for i in range(PICTURE_MENU):
        sweep.click(wid, PICTURE_PANEL, button=3, item=i + 1)
    for i in range(2):
        sweep.click(wid, TOOLBAR_AREA, button=3, item=i + 1)

    step("text, rich text and a picture on the clipboard: cut, copy and paste, with a selection and without")
    select = (TEXT, "ctrl+Home", "ctrl+shift+End")
    for kind in ("text", "rich", "image"):
        clipboard(sweep.desktop, kind)
        for place in EDIT_TOOLS[1:] if kind == "text" else EDIT_TOOLS[3:]:
            sweep.click(wid, place, before=select)
        sweep.click(wid, TEXT, then=("ctrl+End", "Menu"), item=3)

    step("a picture chosen, sized, reloaded, edited and cleared")
    program.click(wid, *PICTURE_BUTTONS["browse"])
    chooser = program.active("Select Return Address Graphic")
    program.type(PICTURE)
    # The name's completion list closed first, or it would take the Return.
    if wait_until("the completion list", lambda: sweep.shown() - sweep.resting - {wid, chooser}, timeout=2, quiet=True):
        program.keys("Escape")
    wait_until("the completion list to close", lambda: not sweep.shown() - sweep.resting - {wid, chooser})
    program.keys("Return")
    sweep.settle(keep=(wid,))
    sweep.click(wid, WIDTH, then=("ctrl+a", "0", "period", "5", "Return"))
    # The picture's pop-up menu: the buttons beside it moved over for the picture. Clear last.
    for item in (1, 2, 4, 3):
        sweep.click(wid, PICTURE_PANEL, button=3, item=item)

    step("entries added, renamed, made the default and deleted, to none")
    sweep.click(wid, RETURN["add"], answer=("Add Return Address", *"Work", "Return"))
    sweep.click(wid, RETURN["rename"], answer=("Rename Return Address", "Return"))
    sweep.click(wid, RETURN["default"])
    for _ in range(2):
        sweep.click(wid, RETURN["delete"], answer=("Confirm", "y"))
    for place in [*RETURN.values(), *PICTURE_BUTTONS.values()]:
        sweep.click(wid, place)
    text_menu(sweep, wid)
    sweep.click(wid, RETURN["add"], answer=("Add Return Address", *"Work", "Return"))
    program.click(wid, *OK)
    program.wait_main()


def definitions(sweep, program):
    step("Envelope Definitions: every button and page, then two definitions, then none")
    program.keys("alt+o", "e")
    wid = program.active("Envelope Definitions")
    buttons = list(DEFINITIONS.values())
    for place in buttons:
        sweep.click(wid, place)
    sweep.click(wid, GRID, button=3, item=1)
    # A new definition's printer setup follows at once.
    sweep.click(wid, DEFINITIONS["add"], answer=[("Add Envelope Definition", "Return"), (SETUP, "Return")])
    sweep.click(wid, DEFINITIONS["rename"], answer=("Rename Envelope Definition", "Return"))
    sweep.click(wid, DEFINITIONS["default"])
    for _ in range(2):
        sweep.click(wid, DEFINITIONS["delete"], answer=("Confirm", "y"))
    for name in ("add", "rename", "delete", "default", "setup", "reset", "send", "printer setup"):
        sweep.click(wid, DEFINITIONS[name])
    program.click(wid, *DEFINITION_OK)
    program.wait_main()


def without_definition(sweep, program):
    step("no definition: the main window's commands, the print dialog, Options and Customize Toolbar")
    sweep.keys(*FILL)
    for key in "pc":
        sweep.trigger("alt+f", key)
    sweep.window(("ctrl+p",), "Print Envelope", 12)
    sweep.window(("alt+o", "o"), "Plikora Options", 20)
    sweep.window(("alt+o", "o", "alt+f"), "Plikora Options", 13)
    # Two boxes unchecked and confirmed, then every control, Default among them.
    for k in (1, 7):
        sweep.answer(("alt+o", "t"), "Customize Plikora Toolbars", *(["Down"] * k), "space", "Return")
    sweep.window(("alt+o", "t"), "Customize Plikora Toolbars", 6)

    step("Favorites: the envelope saved on the way, the Add Favorite window, the favourite opened")
    sweep.own_the_keyboard()
    sweep.keys(*FILL, "alt+a", "a")
    program.active("Information")
    program.keys("Return")
    program.active("Save As")
    program.type(os.path.join(WORK, "Jane.env"))
    program.keys("Return")
    program.active("Add Favorite")
    program.keys("Return")
    program.wait_main()
    sweep.window(("alt+a", "a"), "Add Favorite", 5)
    sweep.menu(("alt+a",), 4)


def scenario(desktop):
    harmless(desktop)
    program = first_run(desktop)
    sweep = Sweep(program)
    return_addresses(sweep, program)
    definitions(sweep, program)
    without_definition(sweep, program)
    step(f"{sweep.count} commands")
    sweep.own_the_keyboard()
    leave(program)


run(scenario)
