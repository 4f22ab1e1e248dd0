#!/usr/bin/env python3
# The Return Addresses window's Format toolbar, hidden through Customize Toolbar, comes back
# from that window's own toolbar pop-up menu; Enter in its font-size box applies the size and
# leaves the window open. Both windows' toolbar pop-up menus come up over a disabled button too.
from desktop import first_run, read_ini, run, step, wait_until

# Places in the Return Addresses window at its first size.
TOOLBAR_END = (700, 267)
CUT_BUTTON = (167, 267)
# The main window's Save button, disabled while nothing has changed.
SAVE_BUTTON = (98, 40)
SIZE_BOX = (555, 267)
TEXT_BOX = (400, 420)


def format_toolbar_shown():
    return read_ini("Registry.ini").get("ReturnAddressWindowFormatToolBar", {}).get("Visible") == "1"


def scenario(desktop):
    program = first_run(desktop)
    step("Customize Toolbar from the pop-up menu over a disabled button: the Format toolbar unchecked, for both windows")
    desktop.xdotool("mousemove", "--window", program.main, *map(str, SAVE_BUTTON), "click", "3")
    program.keys("t")
    program.active("Customize Plikora Toolbars")
    # File Toolbar and its 5 buttons, Edit Toolbar and its 9, then Format Toolbar.
    program.keys("Home", *["Down"] * 16, "space", "Return")
    program.wait_main()
    # Saved once the dialog has gone.
    wait_until("the Format toolbar stored hidden", lambda: "ReturnAddressWindowFormatToolBar" in read_ini("Registry.ini"))
    assert not format_toolbar_shown()

    step("the window's toolbar pop-up menu: Restore Toolbar Defaults")
    program.keys("alt+o", "r")
    window = program.active("Return Addresses")
    desktop.xdotool("mousemove", "--window", window, *map(str, TOOLBAR_END), "click", "3")
    program.keys("d")
    step("the same menu over the disabled Cut button: Customize Toolbar")
    desktop.xdotool("mousemove", "--window", window, *map(str, CUT_BUTTON), "click", "3")
    program.keys("c")
    program.active("Customize Plikora Toolbars")
    program.keys("Escape")
    program.active("Return Addresses")

    step("20 typed into the font-size box for the whole text, then Enter")
    program.click(window, *TEXT_BOX)
    program.keys("ctrl+a")
    program.click(window, *SIZE_BOX)
    program.keys("ctrl+a")
    program.type("20")
    program.keys("Return")
    # Still open: the text box takes more typing.
    program.click(window, *TEXT_BOX)
    program.keys("ctrl+End")
    program.type("Suite 5")
    program.keys("Escape")
    program.wait_main()
    assert format_toolbar_shown()
    text = "".join(v for k, v in read_ini("plikora.INI")["ReturnAddresses"].items() if k.startswith("Address1_"))
    assert "\\fs40" in text and "Suite 5" in text, text
    program.exit()


run(scenario)
