#!/usr/bin/env python3
# wine_serial_device.py <wine> <serial_tests.exe> [gtest arguments]: runs the program under wine, its
# COM port a pseudo-terminal whose device takes the lines "say <ms> <hex>" and "hangup <ms>".

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


def play_device(master):
    pending = b""
    while True:
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
    # The prefix is built before the COM port link goes in, or its set-up would decide the port.
    if not (prefix / "system.reg").exists():
        subprocess.run([wine, "wineboot", "-i"], timeout=600, **quiet)
    # The hang-up sends the wine server (whose controlling terminal the port is) a SIGHUP, on
    # which it prints all its objects: a server started here writes that nowhere.
    server = os.path.join(os.path.dirname(wine), "wineserver")
    subprocess.run([server if os.access(server, os.X_OK) else "/usr/lib/wine/wineserver64", "-p10"],
                   timeout=60, **quiet)

    master, slave = os.openpty()
    tty.setraw(slave)  # before anyone opens the port, or the terminal would echo the answers
    link = prefix / "dosdevices" / ("com%d" % PORT_NUMBER)
    link.parent.mkdir(parents=True, exist_ok=True)
    link.unlink(missing_ok=True)
    link.symlink_to(os.ttyname(slave))
    threading.Thread(target=play_device, args=(master,), daemon=True).start()  # ends with the script
    try:
        # wine's helpers inherit the output and outlive the program: a file, not a pipe.
        with tempfile.TemporaryFile() as output:
            result = subprocess.run([wine, program] + arguments, env=environment, stdout=output,
                                    stderr=subprocess.STDOUT, timeout=900, check=False)
            output.seek(0)
            sys.stdout.buffer.write(output.read())
        return result.returncode
    finally:
        link.unlink(missing_ok=True)
        os.close(slave)


if __name__ == "__main__":
    sys.exit(main())
