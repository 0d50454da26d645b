#!/usr/bin/python3
"""Runs a test program against a mock BlueZ on a private D-Bus bus:

    bluez_mock_bus.py <program> [arguments...]

A private dbus-daemon serves python3-dbusmock's BlueZ template as the system bus, with one
adapter and the devices below. The exit status is the program's, or 77 (skipped) when
dbus-daemon or python3-dbusmock is missing.
"""

import os
import shutil
import subprocess
import sys
import time

# Address, name, alias (None keeps the name as the alias).
DEVICES = [("00:11:22:33:44:55", "ZAV-AMP-1", None), ("0A:1B:2C:3D:4E:5F", "ZAV-AMP-2", "Left cap")]


def populate(address):
    bus = dbus.bus.BusConnection(address)
    try:
        deadline = time.monotonic() + 30
        while not bus.name_has_owner("org.bluez"):
            if time.monotonic() > deadline:
                raise RuntimeError("the mock BlueZ did not start")
            time.sleep(0.05)
        mock = bus.get_object("org.bluez", "/org/bluez")
        mock.AddAdapter("hci0", "zav-test", dbus_interface="org.bluez.Mock")
        for device_address, name, alias in DEVICES:
            path = mock.AddDevice("hci0", device_address, name, dbus_interface="org.bluez.Mock")
            if alias is not None:
                bus.get_object("org.bluez", path).Set("org.bluez.Device1", "Alias", alias,
                                                      dbus_interface=dbus.PROPERTIES_IFACE)
    finally:
        bus.close()


def main():
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                              stdout=subprocess.PIPE, text=True)
    processes = [daemon]
    try:
        address = daemon.stdout.readline().strip()
        environment = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=address)
        mock = [sys.executable, "-m", "dbusmock", "--system", "--template", "bluez5"]
        processes.append(subprocess.Popen(mock, env=environment, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL))
        populate(address)
        return subprocess.run(sys.argv[1:], env=environment, check=False).returncode
    finally:
        for process in reversed(processes):
            process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()


if __name__ == "__main__":
    try:
        import dbus
        import dbusmock  # noqa: F401
    except ImportError:
        print("skipped: python3-dbusmock is not installed")
        sys.exit(77)
    if shutil.which("dbus-daemon") is None:
        print("skipped: dbus-daemon is not installed")
        sys.exit(77)
    sys.exit(main())
