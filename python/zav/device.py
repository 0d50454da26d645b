"""One amplifier (or the two-device 64-channel set) through the zav library."""

from __future__ import annotations

import ctypes
import os
from dataclasses import dataclass
from typing import Dict, Iterator, Optional, Tuple, Union

import numpy as np

from . import _library
from .errors import ConfigurationError, DeviceConnectionError, Error, ReadTimeout, StateError
from .signals import Layout, Sensor, Signal, data_keys, display_names

SensorLike = Union[str, int, Sensor]

# Battery levels besides 0 (empty) to 5 (full).
BATTERY_CHARGING = 65535
BATTERY_UNKNOWN = 65534

# A read gives up after this many time-outs in a row (each is the transport's time-out).
_READ_ATTEMPTS = 3
_TEXT_SIZE = 4096
_CHUNK_BLOCKS = 256


def _sensor(sensor: SensorLike) -> int:
    if isinstance(sensor, str):
        try:
            return Sensor[sensor.upper()].value
        except KeyError:
            raise ValueError(f"unknown sensor {sensor!r}; use 'dry' or 'water'") from None
    return int(Sensor(sensor))


class Block:
    """One block: its 16-bit sequence number, battery level, flags and, in data, the values of
    each enabled signal as a (channels, samples) array in physical units, keyed by the signal's key.

    The values are copied out of the library at the read; the arrays are made when data is first
    looked at, so that a read costs little more than the library's own."""

    __slots__ = ("sequence", "battery", "flags", "_raw", "_layout", "_data")

    def __init__(self, sequence: int, battery: int, flags: int, raw: bytearray, layout: Layout) -> None:
        self.sequence = sequence
        self.battery = battery
        self.flags = flags
        self._raw = raw
        self._layout = layout
        self._data: Optional[Dict[str, np.ndarray]] = None

    @property
    def values(self) -> np.ndarray:
        """All values of the block in one array: the enabled signals in order, each channel-major."""
        return np.frombuffer(self._raw, dtype=np.float64)

    @property
    def data(self) -> Dict[str, np.ndarray]:
        """Each enabled signal's values, shaped (channels, samples)."""
        if self._data is None:
            values = np.frombuffer(self._raw, dtype=np.float64)
            self._data = {key: values[start:stop].reshape(shape) for key, start, stop, shape in self._layout.slots}
        return self._data

    def __repr__(self) -> str:
        shapes = ", ".join(f"{k}: {v.shape}" for k, v in self.data.items())
        return f"Block(sequence={self.sequence}, battery={self.battery}, flags={self.flags}, {{{shapes}}})"


@dataclass
class Recording:
    """Consecutive blocks joined: each signal as (channels, blocks x samples), one sequence,
    battery and flags entry per block, and the number of blocks missing between them."""

    data: Dict[str, np.ndarray]
    sequence: np.ndarray
    battery: np.ndarray
    flags: np.ndarray
    lost: int


class Recorder:
    """A recording in progress (Device.record): stop() closes the file, complete up to the
    last block read."""

    def __init__(self, device: "Device", path: str) -> None:
        self.device = device
        self.path = path

    def stop(self) -> None:
        if not self.device._stop_recording():
            raise Error(_library.describe(f"the recording {self.path} did not end whole", _library.error_text()))

    def __enter__(self) -> "Recorder":
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.stop()


def lost_blocks(sequence: np.ndarray) -> int:
    """Blocks missing from a run of 16-bit sequence numbers; a wrap from 65535 to 0 is no gap,
    a repeated number is none."""
    steps = np.diff(np.asarray(sequence, dtype=np.int64)) & 0xFFFF
    return int(np.maximum(steps - 1, 0).sum())


class Device:
    """A device handle. Use it as a context manager, which connects on entry and always stops,
    disconnects and frees it on exit::

        with zav.Device.simulated() as device:
            device.start()
            block = device.read()
    """

    def __init__(self, handle: Optional[int], description: str) -> None:
        if not handle:
            raise Error(_library.describe(f"cannot create the handle of {description}", _library.error_text()))
        self._lib = _library.lib()
        self._handle: Optional[int] = handle
        self.description: str = description
        self._signals: Optional[Tuple[Signal, ...]] = None
        self._layout: Optional[Layout] = None
        self._view: Optional[memoryview] = None
        self._view_address = 0
        self._sequence = ctypes.c_uint16()
        self._battery = ctypes.c_uint16(BATTERY_UNKNOWN)
        self._flags = ctypes.c_uint16()
        self._sequence_p = ctypes.pointer(self._sequence)
        self._battery_p = ctypes.pointer(self._battery)
        self._flags_p = ctypes.pointer(self._flags)
        self._outputs = (self._sequence_p, self._battery_p, self._flags_p)
        # The read without declared arguments: ctypes then skips converting them, a third of its
        # cost per call; every argument is passed as a ctypes object of the right type.
        self._read = _library.read_function()
        self._read_planar = getattr(self._lib, "zav_driver_read_planar", None)  # None: an older library
        self._handle_arg = ctypes.c_void_p(handle)

    # ---- construction --------------------------------------------------------------

    @classmethod
    def simulated(cls, config: Optional[Union[str, os.PathLike]] = None, sensor: SensorLike = "dry") -> "Device":
        """The simulated device: the built-in 32-channel amplifier, or one described by a JSON file."""
        path = None if config is None else _library.encode(os.fspath(config))
        return cls(_library.lib().zav_driver_new_simulated(path, _sensor(sensor)),
                   "the built-in simulated device" if config is None else f"the simulated device {config}")

    @classmethod
    def serial(cls, path: str, sensor: SensorLike = "dry") -> "Device":
        """A device on a serial port by path ("/dev/ttyACM0", "COM3")."""
        return cls(_library.lib().zav_driver_new_serial(_library.encode(path), _sensor(sensor)), f"serial port {path}")

    @classmethod
    def usb(cls, port: int, sensor: SensorLike = "dry") -> "Device":
        """A device on a USB serial port by number (/dev/ttyACM<n>, COM<n>)."""
        return cls(_library.lib().zav_driver_new_usb(int(port), _sensor(sensor)), f"USB port {port}")

    @classmethod
    def bluetooth(cls, name: str, sensor: SensorLike = "dry") -> "Device":
        """A Bluetooth device by name or address "XX:XX:XX:XX:XX:XX"."""
        return cls(_library.lib().zav_driver_new_bluetooth(name.encode(), _sensor(sensor)), f"Bluetooth device {name}")

    @classmethod
    def eeg64(cls, left: str, right: str) -> "Device":
        """The two-device 64-channel set by its left and right devices' names (water sensors)."""
        return cls(_library.lib().zav_driver_new_eeg64(left.encode(), right.encode()),
                   f"the 64-channel set {left} + {right}")

    # ---- lifecycle -----------------------------------------------------------------

    def __enter__(self) -> "Device":
        try:
            if not self.is_connected:
                self.connect()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()

    def __del__(self) -> None:
        # Freeing sends nothing to the device; close() is the orderly way out.
        handle, self._handle = getattr(self, "_handle", None), None
        if handle:
            self._lib.zav_driver_free(handle)

    def _live(self) -> int:
        if not self._handle:
            raise StateError(f"{self.description} is closed")
        return self._handle

    def connect(self) -> None:
        """Opens the transport and reads the device's identity and signals."""
        handle = self._live()
        self._lib.zav_driver_connect(handle)
        reason = _library.error_text()
        if not self._lib.zav_driver_is_connected(handle):
            raise DeviceConnectionError(_library.describe(f"cannot connect to {self.description}", reason))
        if self._signals is None:
            count = self._lib.zav_driver_get_number_of_signals(handle)
            handles = [self._lib.zav_driver_get_signal(handle, i) for i in range(count)]
            buffer = ctypes.create_string_buffer(16)
            types = [self._lib.zav_signal_get_type(h, buffer, len(buffer)).decode() for h in handles]
            names, keys = display_names(types), data_keys(types)
            self._signals = tuple(Signal(self, h, i, t, n, k)
                                  for i, (h, t, n, k) in enumerate(zip(handles, types, names, keys)))
        self._layout = None

    def close(self) -> None:
        """Stops streaming, disconnects and frees the handle; safe to call more than once."""
        handle, self._handle = self._handle, None
        if not handle:
            return
        self._handle_arg = ctypes.c_void_p(None)  # the fast read path then fails safely
        self._layout = None
        try:
            if self._lib.zav_driver_is_running(handle):
                self._lib.zav_driver_stop(handle)
            self._lib.zav_driver_disconnect(handle)
        finally:
            self._lib.zav_driver_free(handle)

    def start(self) -> None:
        """Sets the device clock and starts streaming."""
        handle = self._require_connected()
        if not self._lib.zav_driver_start(handle):
            reason = _library.error_text()
            if not self._lib.zav_driver_is_connected(handle):
                raise DeviceConnectionError(_library.describe(f"lost the link to {self.description}", reason))
            raise Error(_library.describe(f"{self.description} did not start streaming", reason))
        self._layout = None

    def stop(self) -> None:
        """Stops streaming; the device stays connected."""
        handle = self._require_connected()
        if not self._lib.zav_driver_stop(handle):
            raise Error(_library.describe(f"{self.description} did not stop streaming", _library.error_text()))

    def synchronize(self) -> Tuple[int, int]:
        """Estimates the device clock's offset from the host clock: (round trip, offset) in microseconds."""
        handle = self._require_connected()
        round_trip, offset = ctypes.c_uint32(), ctypes.c_int32()
        if not self._lib.zav_driver_synchronize(handle, ctypes.byref(round_trip), ctypes.byref(offset)):
            raise Error(_library.describe(f"the clock of {self.description} could not be synchronized",
                                          _library.error_text()))
        return round_trip.value, offset.value

    def _require_connected(self) -> int:
        handle = self._live()
        if not self._lib.zav_driver_is_connected(handle):
            raise StateError(f"{self.description} is not connected")
        return handle

    def _layout_changed(self) -> None:
        self._layout = None

    # ---- state and identity --------------------------------------------------------

    @property
    def is_connected(self) -> bool:
        return bool(self._handle) and self._lib.zav_driver_is_connected(self._handle)

    @property
    def is_running(self) -> bool:
        return bool(self._handle) and self._lib.zav_driver_is_running(self._handle)

    def _version(self, function, what: str) -> Tuple[int, int]:
        handle = self._require_connected()
        major, minor = ctypes.c_uint16(), ctypes.c_uint16()
        if not function(handle, ctypes.byref(major), ctypes.byref(minor)):
            raise Error(f"the identity of {self.description} holds no {what} version")
        return major.value, minor.value

    @property
    def hardware_version(self) -> Tuple[int, int]:
        """(major, minor) from the device's identity."""
        return self._version(self._lib.zav_driver_get_hw_version, "hardware")

    @property
    def firmware_version(self) -> Tuple[int, int]:
        """(major, minor) from the device's identity."""
        return self._version(self._lib.zav_driver_get_fw_version, "firmware")

    @property
    def frequency(self) -> int:
        """Blocks per second."""
        return self._lib.zav_driver_get_frequency(self._require_connected())

    @property
    def battery(self) -> int:
        """Battery level of the last block read: 0 to 5, BATTERY_CHARGING, or BATTERY_UNKNOWN before any."""
        return self._battery.value

    @property
    def signals(self) -> Tuple[Signal, ...]:
        """The device's signals in device order (the SD-card recorder is not one)."""
        if self._signals is None:
            raise StateError(f"{self.description} has not been connected; its signals are unknown")
        return self._signals

    def signal(self, key: str) -> Signal:
        """The signal with this key ("EEG", "ExG_B", a later one of a type as "ACC#2")."""
        for signal in self.signals:
            if signal.key == key:
                return signal
        raise KeyError(f"{self.description} has no signal {key!r}")

    # ---- SD card -------------------------------------------------------------------

    @property
    def has_sd_card(self) -> bool:
        return self._lib.zav_driver_has_sd_card_capability(self._require_connected())

    @property
    def sd_card_enabled(self) -> bool:
        """Whether the device records to its SD card while streaming; settable while idle."""
        return self._lib.zav_driver_is_sd_card_enabled(self._require_connected())

    @sd_card_enabled.setter
    def sd_card_enabled(self, enabled: bool) -> None:
        self._setting(self._lib.zav_driver_enable_sd_card(self._require_connected(), 1 if enabled else 0),
                      f"SD-card recording {'on' if enabled else 'off'}")

    @property
    def sd_folder(self) -> str:
        """The SD-card folder; settable while idle."""
        return self._text(self._lib.zav_driver_get_folder)

    @sd_folder.setter
    def sd_folder(self, name: str) -> None:
        self._setting(self._lib.zav_driver_set_folder(self._require_connected(), name.encode()), f"folder {name!r}")

    @property
    def sd_file(self) -> str:
        """The SD-card file name; settable while idle."""
        return self._text(self._lib.zav_driver_get_file)

    @sd_file.setter
    def sd_file(self, name: str) -> None:
        self._setting(self._lib.zav_driver_set_file(self._require_connected(), name.encode()), f"file {name!r}")

    def _text(self, function) -> str:
        buffer = ctypes.create_string_buffer(_TEXT_SIZE)
        function(self._require_connected(), buffer, _TEXT_SIZE)
        return buffer.value.decode("utf-8", "replace")

    def _setting(self, ok: bool, what: str) -> None:
        if not ok:
            reason = _library.error_text()
            if self.is_running:
                raise StateError(f"{what}: {self.description} is streaming; stop it first")
            raise ConfigurationError(_library.describe(f"{self.description} did not accept {what}", reason))

    # ---- reading -------------------------------------------------------------------

    def _current_layout(self) -> Layout:
        layout = Layout(self.signals)
        size = self._lib.zav_driver_read_data_size(self._live())
        if size != layout.size:
            raise Error(f"{self.description} reports {size} values per block, its signals {layout.size}")
        self._layout = layout
        self._view = None
        return layout

    def _read_address(self) -> int:
        """Reads one block and returns the address of its values; retries a few time-outs."""
        handle = ctypes.c_void_p(self._live())
        for _ in range(_READ_ATTEMPTS):
            address = self._read(handle, *self._outputs)
            if address:
                return address
            reason = _library.error_text()
            if not self._lib.zav_driver_is_connected(handle):
                raise DeviceConnectionError(_library.describe(f"lost the link to {self.description}", reason))
            if not self._lib.zav_driver_is_running(handle):
                raise StateError(f"{self.description} is not streaming; call start() first")
        raise ReadTimeout(_library.describe(f"no block arrived from {self.description}", reason))

    def read(self) -> Block:
        """Reads the next block (the device must be streaming)."""
        layout = self._layout or self._current_layout()
        # The fast path: one foreign call and one copy; everything else is cached.
        address = self._read(self._handle_arg, self._sequence_p, self._battery_p, self._flags_p)
        if not address:
            address = self._read_address()
        if address != self._view_address or self._view is None:
            # The handle keeps its values in one place; a byte view of it is made once per place.
            self._view = memoryview(layout.array_type.from_address(address)).cast("B")
            self._view_address = address
        return Block(self._sequence.value, self._battery.value, self._flags.value, bytearray(self._view), layout)

    def read_blocks(self, count: int) -> Iterator[Block]:
        """Yields the next count blocks."""
        for _ in range(count):
            yield self.read()

    def __iter__(self) -> Iterator[Block]:
        """Yields blocks for as long as the device streams."""
        while True:
            yield self.read()

    def read_seconds(self, seconds: float) -> Recording:
        """Reads seconds x frequency blocks and joins them per signal."""
        return self.read_joined(max(1, round(seconds * self.frequency)))

    def read_joined(self, count: int) -> Recording:
        """Reads count blocks and joins them per signal: each (channels, count x samples)."""
        layout = self._layout or self._current_layout()
        planar = self._read_planar
        if planar is None:
            return self._read_joined_rows(layout, count)
        # The library writes each signal already joined, so the arrays are views of one buffer.
        # Its start on a cache line spares the library's short runs of writes a line split each.
        spare = np.empty(count * layout.size + 8)
        first = (-spare.ctypes.data % 64) // 8
        values = spare[first:first + count * layout.size]
        words = np.empty((3, count), dtype=np.uint16)  # sequence, battery, flags per block
        done = planar(self._handle_arg, count, values.ctypes.data, min(values.size, 0xFFFFFFFF),
                      words[0].ctypes.data, words[1].ctypes.data, words[2].ctypes.data)
        data = {key: values[count * start:count * stop].reshape(shape[0], count * shape[1])
                for key, start, stop, shape in layout.slots}
        for block in range(max(done, 0), count):  # after a time-out: block by block, with retries
            row = np.frombuffer(layout.array_type.from_address(self._read_address()))
            for key, start, stop, (channels, samples) in layout.slots:
                data[key][:, block * samples:(block + 1) * samples] = row[start:stop].reshape(channels, samples)
            words[:, block] = (self._sequence.value, self._battery.value, self._flags.value)
        return Recording(data, words[0], words[1], words[2], lost_blocks(words[0]))

    def _read_joined_rows(self, layout: Layout, count: int) -> Recording:
        """read_joined with a library that has no planar read."""
        outputs = {key: np.empty((shape[0], count, shape[1])) for key, _, _, shape in layout.slots}
        # Blocks are gathered a chunk at a time and spread to the signals while the chunk is
        # still in the cache: a transposition of the whole run at the end costs several times more.
        chunk = np.empty((min(count, _CHUNK_BLOCKS), layout.size))
        words = np.empty((3, count), dtype=np.uint16)  # sequence, battery, flags per block
        batch = getattr(self._lib, "zav_driver_read_blocks", None)
        for first in range(0, count, len(chunk)):
            blocks = min(len(chunk), count - first)
            done = 0
            if batch is not None:
                # One foreign call per chunk: the library reads straight into the chunk's rows.
                done = max(0, batch(self._handle_arg, blocks, chunk.ctypes.data, chunk.size,
                                    words[0, first:].ctypes.data, words[1, first:].ctypes.data,
                                    words[2, first:].ctypes.data))
            for row in range(done, blocks):  # after a time-out, or with an older library
                ctypes.memmove(chunk.ctypes.data + row * layout.size * 8, self._read_address(), layout.size * 8)
                words[:, first + row] = (self._sequence.value, self._battery.value, self._flags.value)
            for key, start, stop, (channels, samples) in layout.slots:
                part = chunk[:blocks, start:stop].reshape(blocks, channels, samples)
                outputs[key][:, first:first + blocks, :] = part.transpose(1, 0, 2)
        data = {key: out.reshape(out.shape[0], -1) for key, out in outputs.items()}
        return Recording(data, words[0].copy(), words[1].copy(), words[2].copy(), lost_blocks(words[0]))

    # ---- recording -----------------------------------------------------------------

    def record(self, path: Union[str, os.PathLike]) -> "Recorder":
        """Writes every block read from now on to a BDF+ file (path ending in .bdf) until the
        recorder is stopped, the device stops or is closed; usable as a context manager:

            with device.record("session.bdf"):
                device.read_seconds(60)
        """
        handle = self._require_connected()
        start = getattr(self._lib, "zav_driver_record_start", None)
        if start is None:
            raise Error("this zav library cannot record")
        if not start(handle, _library.encode(os.fspath(path))):
            raise Error(_library.describe(f"cannot record {self.description} to {os.fspath(path)}",
                                          _library.error_text()))
        return Recorder(self, os.fspath(path))

    def _stop_recording(self) -> bool:
        handle = self._handle
        return bool(handle) and bool(self._lib.zav_driver_record_stop(handle))

    # ---- impedance -----------------------------------------------------------------

    def impedance(self) -> np.ndarray:
        """The contact grade of every EEG channel (values of Impedance), from the data read so far;
        all UNKNOWN until grades exist or when no EEG signal streams."""
        handle = self._require_connected()
        eegs = [s for s in self.signals if s.type == "EEG"]
        # The library grades the first EEG signal that streams.
        eeg = next((s for s in eegs if s.mode != 0), eegs[0] if eegs else None)
        channels = eeg.channels if eeg is not None else 0
        grade = self._lib.zav_driver_get_eeg_impedance
        return np.fromiter((grade(handle, c) for c in range(channels)), dtype=np.int8, count=channels)

    def __repr__(self) -> str:
        state = "running" if self.is_running else "connected" if self.is_connected else "not connected"
        return f"<zav.Device {self.description}, {state}>"


__all__ = ["Device", "Block", "Recorder", "Recording", "lost_blocks",
           "BATTERY_CHARGING", "BATTERY_UNKNOWN"]
