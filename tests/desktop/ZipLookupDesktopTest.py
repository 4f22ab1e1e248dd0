#!/usr/bin/env python3
# Edit > Lookup Zip Code (Ctrl+L) on a selected address opens the postal service's lookup
# page with its values in the browser; with nothing selected it asks first.
import os

from desktop import WORK, first_run, run, step, wait_until

PAGE = "https://tools.usps.com/zip-code-lookup.htm?byaddress"


def scenario(desktop):
    opened = os.path.join(WORK, "opened.txt")
    browser = os.path.join(WORK, "browser.sh")
    with open(browser, "w") as f:
        f.write(f"#!/bin/sh\nprintf '%s\\n' \"$1\" >> '{opened}'\n")
    os.chmod(browser, 0o755)
    # The desktop's opener hands web pages to $BROWSER.
    desktop.env["BROWSER"] = browser

    def pages():
        with open(opened) as f:
            return f.read().split()

    program = first_run(desktop)
    step("look up a selected address")
    program.address("Jane Doe", "12 Main St #4", "Springfield, IL 62704")
    program.keys("ctrl+Home", "ctrl+shift+End", "ctrl+l")
    wait_until("the browser", lambda: os.path.exists(opened))
    assert pages() == [PAGE + "&address=12%20Main%20St%20%234&city=Springfield&state=IL&zip=62704"], pages()

    step("nothing selected: Yes opens the page without values")
    program.keys("ctrl+End", "ctrl+l")
    program.active("Confirm")
    program.keys("y")
    wait_until("the general page", lambda: len(pages()) == 2)
    assert pages()[1] == PAGE, pages()
    program.wait_main()
    program.exit(("Confirm", "n"))

    # No browser at all, and an opener that runs and gives up: the lookup and Send each say so.
    tools = os.path.join(WORK, "tools")
    os.makedirs(tools, exist_ok=True)
    failing = os.path.join(tools, "xdg-open")
    with open(failing, "w") as f:
        f.write("#!/bin/sh\nexit 3\n")
    os.chmod(failing, 0o755)
    for what, env in (("no browser", {"BROWSER": os.path.join(WORK, "no-browser")}),
                      ("an opener that fails", {"PATH": tools + os.pathsep + desktop.env.get("PATH", "")})):
        step(what + ": said so")
        program = desktop.start(**env)
        program.wait_main()
        program.address("Jane Doe", "12 Main St", "Springfield, IL 62704")
        program.keys("ctrl+Home", "ctrl+shift+End", "ctrl+l")
        program.active("Error")
        program.keys("Return")
        program.wait_main()
        program.keys("alt+o", "e")
        definitions = program.active("Envelope Definitions")
        program.click(definitions, 757, 336)  # Send
        program.active("Error")
        program.keys("Return")
        program.active("Envelope Definitions")
        program.keys("Escape")
        program.wait_main()
        program.exit(("Confirm", "n"))

run(scenario)
