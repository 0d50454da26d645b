#!/usr/bin/env python3
"""Runs a test program against a mock BlueZ on a private D-Bus bus:

    bluez_mock_bus.py <program> [arguments...]

A private dbus-daemon is started and python3-dbusmock's BlueZ template is served on it as
the system bus, with one adapter and the devices below; the program runs with
DBUS_SYSTEM_BUS_ADDRESS naming that bus. Everything is torn down afterwards, also on
failure. The exit status is the program's, or 77 (skipped) when dbus-daemon or
python3-dbusmock is missing.
"""

import os
import shutil
import subprocess
import sys
import time

SKIPPED = 77
ADAPTER = "hci0"
# Address, name, alias (None keeps the name as the alias).
DEVICES = [
    ("00:11:22:33:44:55", "ZAV-AMP-1", None),
    ("0A:1B:2C:3D:4E:5F", "ZAV-AMP-2", "Left cap"),
]
START_LIMIT_SECONDS = 30


def has_dbusmock(python):
    return subprocess.run([python, "-c", "import dbus, dbusmock"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, check=False).returncode == 0


def dbusmock_python():
    # The distribution's package is visible to the system interpreter, which need not be
    # the first python3 on the path (a virtual environment, pyenv).
    for python in (sys.executable, "/usr/bin/python3", shutil.which("python3")):
        if python and os.access(python, os.X_OK) and has_dbusmock(python):
            return python
    return None


def skip(reason):
    print(f"skipped: {reason}")
    return SKIPPED


def start_bus():
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    address = daemon.stdout.readline().strip()
    if not address:
        daemon.kill()
        daemon.wait()
        raise RuntimeError("dbus-daemon gave no address")
    return daemon, address


def populate(address):
    import dbus  # pylint: disable=import-outside-toplevel

    bus = dbus.bus.BusConnection(address)
    try:
        deadline = time.monotonic() + START_LIMIT_SECONDS
        while not bus.name_has_owner("org.bluez"):
            if time.monotonic() > deadline:
                raise RuntimeError("the mock BlueZ did not start")
            time.sleep(0.05)
        mock = bus.get_object("org.bluez", "/org/bluez")
        mock.AddAdapter(ADAPTER, "zav-test", dbus_interface="org.bluez.Mock")
        for device_address, name, alias in DEVICES:
            path = mock.AddDevice(ADAPTER, device_address, name, dbus_interface="org.bluez.Mock")
            if alias is not None:
                bus.get_object("org.bluez", path).Set("org.bluez.Device1", "Alias", alias,
                                                      dbus_interface=dbus.PROPERTIES_IFACE)
    finally:
        bus.close()


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    if shutil.which("dbus-daemon") is None:
        return skip("dbus-daemon is not installed")
    python = dbusmock_python()
    if python is None:
        return skip("python3-dbusmock is not installed")
    if os.path.realpath(python) != os.path.realpath(sys.executable):
        os.execv(python, [python, *sys.argv])

    daemon, address = start_bus()
    environment = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=address)
    mock = None
    try:
        mock = subprocess.Popen([python, "-m", "dbusmock", "--system", "--template", "bluez5"],
                                env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        populate(address)
        return subprocess.run(sys.argv[1:], env=environment, check=False).returncode
    finally:
        if mock is not None:
            stop(mock)
        stop(daemon)


if __name__ == "__main__":
    sys.exit(main())
