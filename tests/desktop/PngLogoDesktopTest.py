#!/usr/bin/env python3
# A person picks a PNG logo for "Home" and prints: the envelope carries the picture. A
# damaged PNG picked after it is not passed over in silence: an error is shown.
import os
import struct
import subprocess
import time
import zlib

from desktop import PDF, WORK, first_run, read_ini, run, step

# The file-name box of the Return Addresses window at its first size.
FILE_NAME = (570, 70)
WIDTH, HEIGHT = 40, 20


def write_png(path, width, height):
    """A green logo with a transparent left half, as image programs save one."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    row = b"\0" + b"\0\0\0\0" * (width // 2) + b"\0\x80\0\xff" * (width - width // 2)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(row * height)) + chunk(b"IEND", b""))


def images(path):
    """(width, height) of every picture drawn in the PDF, masks aside."""
    listed = subprocess.run(["pdfimages", "-list", path], capture_output=True, text=True, check=True).stdout
    found = []
    for line in listed.splitlines()[2:]:
        fields = line.split()
        if fields[2] == "image":
            found.append((int(fields[3]), int(fields[4])))
    return found


def pick_picture(program, path):
    window = program.active("Return Addresses")
    program.click(window, *FILE_NAME)
    program.active("Select Return Address Graphic")
    program.type(path)
    program.keys("Return")


def close_editor(program):
    """Escape until the Return Addresses window goes: on a busy machine a key may reach it
    while the file dialog's Return is still being let go."""
    program.active("Return Addresses")
    deadline = time.monotonic() + 60
    while "Return Addresses" in program.windows().values():
        assert time.monotonic() < deadline, "Return Addresses did not close"
        program.keys("Escape")
        time.sleep(0.5)
    program.wait_main()


def scenario(desktop):
    logo = os.path.join(WORK, "logo.png")
    write_png(logo, WIDTH, HEIGHT)
    program = first_run(desktop)

    step("Format > Return Addresses: the PNG logo, through the file-name box")
    program.keys("alt+o", "r")
    pick_picture(program, logo)
    close_editor(program)
    section = read_ini("plikora.INI")["ReturnAddresses"]
    assert section.get("Address1Graphic") == logo, section
    assert int(section.get("Address1GraphicWidth", "0")) > 0, section

    step("the printed envelope carries the logo")
    program.address("Jane Doe", "2 Oak Street", "Springfield IL 62704")
    program.print_envelope()
    assert (WIDTH, HEIGHT) in images(PDF), images(PDF)

    step("a damaged PNG says so")
    damaged = os.path.join(WORK, "damaged.png")
    with open(logo, "rb") as f:
        good = f.read()
    with open(damaged, "wb") as f:
        f.write(good[:60])
    program.keys("alt+o", "r")
    pick_picture(program, damaged)
    program.active("Error")
    program.keys("Return")
    close_editor(program)
    program.exit(("Confirm", "n"))


run(scenario)
