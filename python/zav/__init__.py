"""Device access for battery-powered EEG and biosignal amplifiers, over the zav library.

    import zav
    with zav.Device.simulated() as device:
        device.start()
        recording = device.read_seconds(5)

The shared library is found through the ZAV_LIBRARY environment variable (a file or a folder),
beside this package, or on the system's library path.
"""

from __future__ import annotations

from . import _library
from .device import BATTERY_CHARGING, BATTERY_UNKNOWN, Block, Device, Recorder, Recording, lost_blocks
from .errors import (ConfigurationError, DeviceConnectionError, Error, ImportFailed, LibraryNotFoundError,
                     ReadTimeout, StateError)
from .records import import_eeg64_sd_record, import_sd_record, import_sd_record_bdf
from .signals import Impedance, Sensor, Signal


def library_version() -> str:
    """The loaded library's version text."""
    return _library.lib().zav_version().decode()


def __getattr__(name: str) -> str:
    # The version is the library's, read when first asked for so that importing never fails.
    if name == "__version__":
        return library_version()
    raise AttributeError(f"module 'zav' has no attribute {name!r}")


__all__ = [
    "BATTERY_CHARGING", "BATTERY_UNKNOWN", "Block", "ConfigurationError", "Device", "DeviceConnectionError",
    "Error", "Impedance", "ImportFailed", "LibraryNotFoundError", "ReadTimeout", "Recorder", "Recording", "Sensor",
    "Signal", "StateError", "import_eeg64_sd_record", "import_sd_record", "import_sd_record_bdf", "library_version",
    "lost_blocks",
]
