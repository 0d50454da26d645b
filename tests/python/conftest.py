"""Shared fixtures: a fast simulated device whose values are partly known in advance."""

import json

import numpy as np
import pytest

import zav

RATE = 512  # blocks per second: fast enough for short tests, paced like a real device
# Integer values survive BVP's plain-integer coding exactly: channel 0 holds 0,1,2, channel 1 holds
# 10,11,12, and 100 more in every odd block.
KNOWN = np.array([[0.0, 1.0, 2.0], [10.0, 11.0, 12.0]])


def known(sequence):  # the BVP values of the block with this sequence number
    return KNOWN + 100 * (sequence % 2)


def _entry(kind, channels, size, samples, values=()):
    return {"type": kind, "channels": channels, "bytes": size, "blockSize": samples, "mode": 1,
            "sr": RATE * samples, "values": list(values)}


@pytest.fixture(scope="session")
def fast_config(tmp_path_factory):
    path = tmp_path_factory.mktemp("config") / "device.json"
    signals = [_entry("BVP", 2, 3, 3, [*KNOWN.flat, *(KNOWN + 100).flat]), _entry("EEG", 4, 3, 8),
               _entry("ExG_B", 2, 3, 8), _entry("DIN", 3, 1, 8), _entry("uSD", 0, 0, 1)]
    path.write_text(json.dumps({"signals": signals}))
    return path


@pytest.fixture
def device(fast_config):
    with zav.Device.simulated(fast_config) as device:
        yield device
