#!/usr/bin/env python3
"""Runs the Windows serial tests under wine against a scripted device on a pseudo-terminal.

A Windows program cannot make a Linux pseudo-terminal, so this script makes one, maps the
wine COM port to it through the prefix's dosdevices folder and plays the device while the
test program runs:

    wine_serial_device.py <wine> <serial_win_tests.exe> [gtest arguments...]

The device answers "gv" with "HW9.0_FW1.6" and a NUL, as the amplifier does, and takes
requests ended by a line feed from the test:
    say <ms> <hex>   after <ms> milliseconds, sends the bytes written in hex
    hangup <ms>      after <ms> milliseconds, closes the terminal: the port's device is gone
The exit status is the test program's.
"""

import os
import pathlib
import select
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import tty

PORT_NUMBER = 12
VERSION = b"HW9.0_FW1.6"


def wine_prefix():
    prefix = os.environ.get("WINEPREFIX") or os.path.join(os.path.expanduser("~"), ".wine")
    return pathlib.Path(prefix)


def ensure_prefix(wine, prefix, environment):
    # The first start of wine builds the prefix; the COM port link must go in after that,
    # or the prefix set-up would be the one to decide what the port is.
    if (prefix / "system.reg").exists():
        return
    subprocess.run([wine, "wineboot", "-i"], env=environment, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=600, check=False)


def start_quiet_server(wine, environment):
    # wine opens the port as the wine server's controlling terminal, so the hang-up at the
    # end sends the server a SIGHUP, on which it prints all its objects: a server started
    # here writes that nowhere. When a server already runs this one just exits.
    candidates = [os.path.join(os.path.dirname(wine), "wineserver"), "/usr/lib/wine/wineserver64",
                  shutil.which("wineserver") or ""]
    for server in candidates:
        if server and os.access(server, os.X_OK):
            subprocess.run([server, "-p10"], env=environment, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60, check=False)
            return


def play_device(master, stop):
    pending = b""
    while not stop.is_set():
        ready, _, _ = select.select([master], [], [], 0.1)
        if not ready:
            continue
        try:
            pending += os.read(master, 4096)
        except OSError:
            return  # every user of the port has closed it
        while pending:
            if pending.startswith(b"gv"):
                pending = pending[2:]
                os.write(master, VERSION + b"\0")
                continue
            if b"\n" not in pending:
                break
            request, pending = pending.split(b"\n", 1)
            words = request.decode("ascii").split(" ")
            time.sleep(int(words[1]) / 1000.0 if len(words) > 1 else 0)
            if words[0] == "hangup":
                os.close(master)
                return
            if words[0] == "say":
                os.write(master, bytes.fromhex(words[2]))


def main():
    if len(sys.argv) < 3:
        print("usage: wine_serial_device.py <wine> <test program> [arguments...]", file=sys.stderr)
        return 2
    wine, program, arguments = sys.argv[1], sys.argv[2], sys.argv[3:]
    prefix = wine_prefix()
    environment = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))
    ensure_prefix(wine, prefix, environment)
    start_quiet_server(wine, environment)

    master, slave = os.openpty()
    # Raw before anyone opens the port, or the terminal would echo the device's answers.
    tty.setraw(slave)
    link = prefix / "dosdevices" / ("com%d" % PORT_NUMBER)
    link.parent.mkdir(parents=True, exist_ok=True)
    if link.is_symlink() or link.exists():
        link.unlink()
    link.symlink_to(os.ttyname(slave))

    stop = threading.Event()
    device = threading.Thread(target=play_device, args=(master, stop), daemon=True)
    device.start()
    try:
        environment["ZAV_SERIAL_TEST_PORT"] = str(PORT_NUMBER)
        environment["ZAV_SERIAL_TEST_UNDER_WINE"] = "1"
        # wine's helper processes inherit the program's output and outlive it; through a
        # file, nobody waits for them to let go of a pipe.
        with tempfile.TemporaryFile() as output:
            result = subprocess.run([wine, program] + arguments, env=environment, stdout=output,
                                    stderr=subprocess.STDOUT, timeout=900, check=False)
            output.seek(0)
            sys.stdout.buffer.write(output.read())
            sys.stdout.flush()
        return result.returncode
    finally:
        stop.set()
        device.join(timeout=2)
        if link.is_symlink():
            link.unlink()
        os.close(slave)


if __name__ == "__main__":
    sys.exit(main())
