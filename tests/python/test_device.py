"""The Device class against the library's simulated device."""

import ctypes

import numpy as np
import pytest

import zav
from conftest import RATE, known


def test_identity_signals_and_blocks_that_follow_mode_changes(device):
    assert device.hardware_version == (8, 7) and device.firmware_version == (1, 4)
    assert device.frequency == RATE
    table = [(s.key, s.name, s.channels, s.samples, s.unit, s.mode) for s in device.signals]
    assert table == [("BVP", "Blood Volume Pulse", 2, 3, "", 1), ("EEG", "EEG", 4, 8, "uV", 1),
                     ("ExG_B", "ExG_B", 2, 8, "uV", 1), ("DIN", "D in", 3, 8, "", 1)]
    assert device.has_sd_card

    assert list(device.impedance()) == [zav.Impedance.UNKNOWN] * 4  # before a start

    # A block holds each enabled signal, channel-major, and follows mode changes.
    device.start()
    block = device.read()
    assert {k: v.shape for k, v in block.data.items()} == {"BVP": (2, 3), "EEG": (4, 8), "ExG_B": (2, 8),
                                                          "DIN": (3, 8)}
    second = device.read()
    assert second.sequence == (block.sequence + 1) & 0xFFFF
    # Each block keeps its own values although the library reuses its buffer for the next read.
    for b in (block, second):
        np.testing.assert_array_equal(b.data["BVP"], known(b.sequence))

    with pytest.raises(zav.StateError):
        device.signal("EEG").mode = 0
    device.stop()
    device.signal("EEG").mode = 0
    device.start()
    assert list(device.read().data) == ["BVP", "ExG_B", "DIN"]


@pytest.mark.parametrize("planar", [True, False])  # False: a library without the planar read
def test_read_seconds_joins_blocks_along_time(device, planar, monkeypatch):
    if not planar:
        monkeypatch.setattr(device, "_read_planar", None)
    device.start()
    recording = device.read_seconds(0.75)  # more blocks than one internal chunk
    count = round(RATE * 0.75)
    assert recording.data["EEG"].shape == (4, count * 8) and len(recording.sequence) == count
    np.testing.assert_array_equal(recording.data["BVP"], np.hstack([known(s) for s in recording.sequence]))
    assert recording.lost == zav.lost_blocks(recording.sequence) == 0
    blocks = list(device.read_blocks(3)) + [next(iter(device))]
    assert [b.sequence for b in blocks] == [(blocks[0].sequence + i) & 0xFFFF for i in range(4)]


@pytest.mark.parametrize("sequence, lost", [([1, 2, 3], 0), ([10, 14], 3), ([65534, 65535, 0, 2], 1), ([5, 5, 6], 0)])
def test_lost_blocks_counts_sequence_gaps_across_the_wrap(sequence, lost):
    assert zav.lost_blocks(np.array(sequence, dtype=np.uint16)) == lost


def test_impedance_grades_name_the_library_values():
    lib = zav._library.lib()
    for grade in zav.Impedance:
        assert ctypes.c_int.in_dll(lib, f"zav_driver_impedance_{grade.name.lower()}").value == grade


def test_failures_raise_errors_that_say_what_went_wrong(tmp_path, fast_config):
    port = str(tmp_path / "no-such-port")
    with pytest.raises(zav.DeviceConnectionError, match="no-such-port"), zav.Device.serial(port):
        pass
    with pytest.raises(zav.Error), zav.Device.simulated(tmp_path / "missing.json"):
        pass
    with pytest.raises(ValueError, match="wet"):
        zav.Device.simulated(sensor="wet")

    device = zav.Device.simulated(fast_config)
    with pytest.raises(zav.StateError, match="not been connected"):
        device.signals
    with device, pytest.raises(zav.StateError, match="start"):
        device.read()
    assert not device.is_connected
    with pytest.raises(zav.StateError, match="closed"):
        device.start()
    device.close()


def test_record_writes_the_blocks_read_to_a_bdf_file(device, tmp_path):
    device.start()
    path = tmp_path / "session.bdf"
    with device.record(path):
        list(device.read_blocks(RATE))  # one second of data
    header = path.read_bytes()[:256]
    # The number of data records is written at the close.
    assert header[:8] == b"\xffBIOSEMI" and int(header[236:244]) >= 1
    with pytest.raises(zav.Error):
        device.record(tmp_path / "missing-folder" / "x.bdf")
