#!/usr/bin/env python3
# A save past the file-size limit (RLIMIT_FSIZE) is a failed save like a full disk: the
# program says so and goes on, the old file stays as it was, and the typed change is
# still there to save (the question at exit).
import os
import resource
import signal

from desktop import WORK, first_run, run, step

LIMIT = 20000


def limited():
    # As a shell would leave it: the signal's default action, and a limit on file size.
    signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
    resource.setrlimit(resource.RLIMIT_FSIZE, (LIMIT, resource.RLIM_INFINITY))


def scenario(desktop):
    first_run(desktop).exit()
    document = os.path.join(WORK, "long.txt")
    old = "".join(f"Line {n} of an address list\n" for n in range(1, 1200)).encode()
    assert len(old) > LIMIT
    with open(document, "wb") as f:
        f.write(old)

    program = desktop.start(document, preexec=limited)
    program.wait_main()
    step("type and save")
    program.address("Typed Here")
    program.keys("ctrl+s")
    program.active("Error")
    program.keys("Return")
    program.wait_main()
    step("the change is still there to save")
    program.exit(("Confirm", "n"))
    with open(document, "rb") as f:
        assert f.read() == old
    assert not [n for n in os.listdir(WORK) if n.startswith(".long.txt.")], os.listdir(WORK)


run(scenario)
