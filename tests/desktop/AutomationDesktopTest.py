#!/usr/bin/env python3
# Another program drives the running Plikora over its own session bus: an address
# inserted with gdbus stands on the envelope and a second call prints it through the
# print dialog; a second start with a file hands the file over and ends at once, and
# a run that prints and closes does not take the bus name.
import os
import select
import subprocess

from desktop import PDF, TIMEOUT, WORK, first_run, pdf_text, run, step, wait_until


def scenario(desktop):
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE)
    desktop.processes.append(bus)
    if not select.select([bus.stdout], [], [], TIMEOUT)[0]:
        raise AssertionError("the bus gave no address")
    desktop.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()

    def call(method, *args):
        client = subprocess.Popen(["gdbus", "call", "--session", "--dest", "com.morvane.Plikora", "--timeout", "60",
                                   "--object-path", "/Envelope", "--method", "com.morvane.Plikora.IEnvelope." + method,
                                   *args], env=desktop.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        desktop.processes.append(client)
        return client

    program = first_run(desktop)
    step("insert an address")
    client = call("InsertAddress", "'Jane Doe\\r\\n1 Elm Street\\r\\nSpringfield IL 62704'")
    assert client.wait(TIMEOUT) == 0, client.stdout.read()

    step("print it")
    if os.path.exists(PDF):
        os.remove(PDF)
    client = call("PrintEnvelope")
    program.active("Print Envelope")
    program.keys("Return")
    program.printed()
    assert client.wait(TIMEOUT) == 0, client.stdout.read()
    assert "Jane Doe" in pdf_text(PDF)

    step("a second start hands its file over")
    document = os.path.join(WORK, "handed over.txt")
    with open(document, "w", encoding="utf-8") as f:
        f.write("John Roe\n2 Oak Avenue\nAlbany NY 12207\n")
    second = desktop.start(document)
    second.ended_cleanly()
    wait_until("the file in the running window", lambda: document in program.windows().get(program.main, ""))
    # The inserted address was nothing to save.
    program.exit()

    step("a run that prints and closes serves no one")
    printing = desktop.start("/p", document)
    printing.active("Print Envelope")
    owner = subprocess.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path", "/",
                            "--method", "org.freedesktop.DBus.NameHasOwner", "com.morvane.Plikora"],
                           env=desktop.env, capture_output=True, text=True, timeout=TIMEOUT)
    assert owner.stdout.strip() == "(false,)", owner
    printing.keys("Return")
    printing.ended_cleanly()


run(scenario)
