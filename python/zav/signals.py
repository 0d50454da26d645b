"""The signals of a device: what each carries and how a block's values are laid out."""

from __future__ import annotations

import ctypes
from enum import IntEnum
from typing import TYPE_CHECKING, List, NamedTuple, Sequence, Tuple

from . import _library
from .errors import ConfigurationError, StateError

if TYPE_CHECKING:
    from .device import Device

# Display names of the type codes that are not shown as themselves.
_DISPLAY_NAMES = {
    "ExG_A": "ExG",
    "GEN": "Analog AUX",
    "FOT": "Photodiode",
    "DIN": "D in",
    "DOUT": "D out",
    "COM": "Digital AUX",
    "ACC": "Accelerometer",
    "GSR": "Galvanic Skin Response",
    "BVP": "Blood Volume Pulse",
}

# Physical units of the decoded values: the voltage inputs are scaled to microvolts, the
# accelerometer to g, the digital lines are 0 or 1. Other types mix units across their
# channels (IMU) or are device counts; they have no single unit.
_UNITS = {"EEG": "uV", "ExG_A": "uV", "ExG_B": "uV", "GEN": "uV", "ACC": "g", "DIN": "", "DOUT": ""}


class Impedance(IntEnum):
    """Contact grade of one EEG electrode."""

    UNKNOWN = 0
    GOOD = 1
    FAIR = 2
    BAD = 3
    SATURATED = 4


class Sensor(IntEnum):
    """EEG sensor type; it selects the impedance thresholds."""

    DRY = 1
    WATER = 2


def display_names(types: Sequence[str]) -> List[str]:
    """Names as a person reads them; adjacent signals of one type are numbered: ACC [1], ACC [2]."""
    names = []
    for i, code in enumerate(types):
        base = _DISPLAY_NAMES.get(code, code)
        k = 1
        while i - k >= 0 and types[i - k] == code:
            k += 1
        follows = i + 1 < len(types) and types[i + 1] == code
        names.append(base if k == 1 and not follows else f"{base} [{k}]")
    return names


def data_keys(types: Sequence[str]) -> List[str]:
    """Keys of a block's data: the type code, with "#2", "#3" ... for its later occurrences."""
    seen: dict = {}
    keys = []
    for code in types:
        seen[code] = seen.get(code, 0) + 1
        keys.append(code if seen[code] == 1 else f"{code}#{seen[code]}")
    return keys


class Signal:
    """One signal of a connected device. Its shape is fixed; its mode can be changed while idle."""

    __slots__ = ("_device", "_handle", "index", "type", "name", "key", "channels", "samples", "unit")

    def __init__(self, device: "Device", handle: int, index: int, type_code: str, name: str, key: str) -> None:
        lib = _library.lib()
        self._device = device
        self._handle = handle
        self.index: int = index
        self.type: str = type_code
        self.name: str = name
        self.key: str = key
        self.channels: int = lib.zav_signal_get_channels(handle)
        self.samples: int = lib.zav_signal_get_samples(handle)
        self.unit: str = _UNITS.get(type_code, "")

    @property
    def mode(self) -> int:
        """0 off, 1 or more on (for IMU and FLOT the value selects a decoding variant)."""
        self._device._live()  # the signal's handle belongs to the device's and dies with it
        return _library.lib().zav_signal_get_mode(self._handle)

    @mode.setter
    def mode(self, mode: int) -> None:
        device = self._device
        if not device.is_connected or device.is_running:
            raise StateError(f"the mode of {self.name} can be changed only while connected and idle")
        ok = _library.lib().zav_signal_set_mode(self._handle, int(mode))
        device._layout_changed()
        if not ok:
            raise ConfigurationError(_library.describe(f"the device did not accept mode {mode} for {self.name}",
                                                       _library.error_text()))

    @property
    def enabled(self) -> bool:
        return self.mode != 0

    def __repr__(self) -> str:
        mode = self.mode if self._device._handle else "closed"
        return (f"Signal({self.name!r}, type={self.type!r}, channels={self.channels}, "
                f"samples={self.samples}, unit={self.unit!r}, mode={mode})")


class Slot(NamedTuple):
    key: str
    start: int
    stop: int
    shape: Tuple[int, int]


class Layout:
    """Where each enabled signal sits in a block's values; rebuilt only when a mode changes."""

    __slots__ = ("slots", "size", "array_type")

    def __init__(self, signals: Sequence[Signal]) -> None:
        slots = []
        start = 0
        for signal in signals:
            if signal.mode == 0:
                continue
            count = signal.channels * signal.samples
            slots.append(Slot(signal.key, start, start + count, (signal.channels, signal.samples)))
            start += count
        self.slots: Tuple[Slot, ...] = tuple(slots)
        self.size: int = start
        self.array_type = ctypes.c_double * start
