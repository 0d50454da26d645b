#!/usr/bin/env python3
# Runs the serial tests under wine against a scripted device on a pseudo-terminal:
#     wine_serial_device.py <wine> <serial_tests.exe> [gtest arguments...]
# A Windows program cannot make a Linux pseudo-terminal: this script makes one, maps the wine
# COM port to it through the prefix's dosdevices folder and plays the device while the program
# runs. The device takes requests ended by a line feed:
#     say <ms> <hex>   after <ms> milliseconds, sends the bytes written in hex
#     hangup <ms>      after <ms> milliseconds, closes the terminal: the port's device is gone
# The exit status is the program's.

import os
import pathlib
import select
import subprocess
import sys
import tempfile
import threading
import time
import tty

PORT_NUMBER = 12


def play_device(master, stop):
    pending = b""
    while not stop.is_set():
        if not select.select([master], [], [], 0.1)[0]:
            continue
        try:
            pending += os.read(master, 4096)
        except OSError:
            return  # every user of the port has closed it
        while b"\n" in pending:
            request, pending = pending.split(b"\n", 1)
            words = request.decode("ascii").split(" ")
            time.sleep(int(words[1]) / 1000.0)
            if words[0] == "hangup":
                os.close(master)
                return
            os.write(master, bytes.fromhex(words[2]))


def main():
    wine, program, arguments = sys.argv[1], sys.argv[2], sys.argv[3:]
    prefix = pathlib.Path(os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine"))
    environment = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG=os.environ.get("WINEDEBUG", "-all"),
                       ZAV_SERIAL_TEST_PORT=str(PORT_NUMBER))
    quiet = {"env": environment, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, "check": False}
    # The first start of wine builds the prefix; the COM port link goes in after that, or the
    # prefix set-up would decide what the port is.
    if not (prefix / "system.reg").exists():
        subprocess.run([wine, "wineboot", "-i"], timeout=600, **quiet)
    # wine opens the port as the wine server's controlling terminal, so the hang-up sends the
    # server a SIGHUP, on which it prints all its objects: a server started here writes that
    # nowhere. When a server already runs, this one just exits.
    server = os.path.join(os.path.dirname(wine), "wineserver")
    subprocess.run([server if os.access(server, os.X_OK) else "/usr/lib/wine/wineserver64", "-p10"],
                   timeout=60, **quiet)

    master, slave = os.openpty()
    tty.setraw(slave)  # before anyone opens the port, or the terminal would echo the answers
    link = prefix / "dosdevices" / ("com%d" % PORT_NUMBER)
    link.parent.mkdir(parents=True, exist_ok=True)
    link.unlink(missing_ok=True)
    link.symlink_to(os.ttyname(slave))
    stop = threading.Event()
    device = threading.Thread(target=play_device, args=(master, stop), daemon=True)
    device.start()
    try:
        # wine's helper processes inherit the program's output and outlive it; through a file,
        # nobody waits for them to let go of a pipe.
        with tempfile.TemporaryFile() as output:
            result = subprocess.run([wine, program] + arguments, env=environment, stdout=output,
                                    stderr=subprocess.STDOUT, timeout=900, check=False)
            output.seek(0)
            sys.stdout.buffer.write(output.read())
        return result.returncode
    finally:
        stop.set()
        device.join(timeout=2)
        link.unlink(missing_ok=True)
        os.close(slave)


if __name__ == "__main__":
    sys.exit(main())
