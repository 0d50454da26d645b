#!/usr/bin/python3
"""Runs the test program given as arguments with python3-dbusmock's BlueZ, holding one adapter
and the devices below, as its system bus; exits with its status, or 77 (skipped) without dbusmock."""

import subprocess
import sys

# Address, name, alias (BlueZ's alias is the name unless one is set).
DEVICES = [("00:11:22:33:44:55", "ZAV-AMP-1", "ZAV-AMP-1"), ("0A:1B:2C:3D:4E:5F", "ZAV-AMP-2", "Left cap")]


def main():
    DBusTestCase.start_system_bus()  # a private dbus-daemon, named in this process's environment
    try:
        _, mock = DBusTestCase.spawn_server_template("bluez5", stdout=subprocess.DEVNULL)
        mock.AddAdapter("hci0", "zav-test", dbus_interface="org.bluez.Mock")
        bus = DBusTestCase.get_dbus(system_bus=True)
        for address, name, alias in DEVICES:
            path = mock.AddDevice("hci0", address, name, dbus_interface="org.bluez.Mock")
            bus.get_object("org.bluez", path).Set("org.bluez.Device1", "Alias", alias,
                                                  dbus_interface=dbus.PROPERTIES_IFACE)
        return subprocess.run(sys.argv[1:], check=False).returncode
    finally:
        DBusTestCase.tearDownClass()  # stops the bus, which ends the mock


if __name__ == "__main__":
    try:
        import dbus
        from dbusmock import DBusTestCase
    except ImportError:
        print("skipped: python3-dbusmock is not installed")
        sys.exit(77)
    sys.exit(main())
