#!/usr/bin/env python3
# On a 1280 x 800 screen the first main window shows the Return and Envelope lists, not
# behind a toolbar's extension button; the managers come back where they were dragged, on
# reopening and after a restart; and so does a toolbar dragged along its row. A dialog kept
# for the run (Options) opens again where it was, not lower by its title bar.
import re

from desktop import first_run, opens_list, read_ini, run, step, wait_until

MANAGERS = ((("alt+o", "r"), "Return Addresses"), (("alt+o", "e"), "Envelope Definitions"))


def client(desktop, wid):
    out = desktop.run("xwininfo", "-id", wid)
    return tuple(int(re.search(name + r":\s+(-?\d+)", out)[1]) for name in ("Absolute upper-left X", "Absolute upper-left Y"))


def drag(desktop, x, y, dx, dy):
    desktop.xdotool("mousemove", str(x), str(y), "mousedown", "1")
    for i in range(1, 11):
        desktop.xdotool("mousemove", str(x + dx * i // 10), str(y + dy * i // 10))
    desktop.xdotool("mouseup", "1", "mousemove", "0", "0")


def open_manager(program, keys, title):
    program.keys(*keys)
    return program.active(title)


def close_manager(program):
    program.keys("Escape")
    program.wait_main()


def toolbars():
    return {name: section for name, section in read_ini("Registry.ini").items() if name.startswith("MainWindow")
            and "ool" in name}


def scenario(desktop):
    program = first_run(desktop)
    step("the first window shows both lists")
    opens_list(program, "alt+r")
    opens_list(program, "alt+n")

    step("the managers dragged by their title bars come back there")
    places = {}
    for keys, title in MANAGERS:
        wid = open_manager(program, keys, title)
        x, y = client(desktop, wid)
        drag(desktop, x + 200, y - 8, -150, -40)
        places[title] = wait_until("the window to move", lambda: client(desktop, wid) != (x, y) and client(desktop, wid))
        close_manager(program)
    for keys, title in MANAGERS:
        assert client(desktop, open_manager(program, keys, title)) == places[title], title
        close_manager(program)
    step("Options opens again where it was")
    first = client(desktop, open_manager(program, ("alt+o", "o"), "Plikora Options"))
    close_manager(program)
    for _ in range(2):
        assert client(desktop, open_manager(program, ("alt+o", "o"), "Plikora Options")) == first
        close_manager(program)
    program.exit()
    before = toolbars()

    step("after a restart: the managers where they were, the Options toolbar dragged along its row")
    program = desktop.start()
    main = program.wait_main()
    for keys, title in MANAGERS:
        assert client(desktop, open_manager(program, keys, title)) == places[title], title
        close_manager(program)
    options = before["MainWindowOptionsToolbar"]
    x, y = client(desktop, main)
    drag(desktop, x + int(options["Left"]) + 4, y + (int(options["Top"]) + int(options["Bottom"])) // 2, 150, 0)
    program.exit()
    dragged = toolbars()
    assert int(dragged["MainWindowOptionsToolbar"]["Left"]) > int(options["Left"]) + 100, dragged

    step("and after another restart the toolbars stand where they were left")
    program = desktop.start()
    program.wait_main()
    program.exit()
    assert toolbars() == dragged, (toolbars(), dragged)


run(scenario, screen="1280x800")
