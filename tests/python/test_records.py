"""SD-card record conversion through the package, on a record written here."""

import struct

import numpy as np
import pytest

import zav

CHANNELS, SAMPLES = 3, 3  # BVP, 3 bytes per value: plain integers, decoded exactly


def _block(sequence, values):
    body = struct.pack(">BBHHH", 0xAA, 0x55, sequence, 3, 0)
    body += b"".join(v.to_bytes(3, "big", signed=True) for v in values)
    return body + bytes([sum(body) % 256])


def write_record(path, sequences):
    signal_list = "".join(f"{t:<5},{c:3d},{b:3d},{s:3d},{m:3d}" for t, c, b, s, m in
                          [("BVP", CHANNELS, 3, SAMPLES, 1), ("uSD", 0, 0, 0, 1)])
    header = b"test record\0" + b"32\0" + signal_list.encode() + b"\0"
    values = lambda seq: [100 * seq + 10 * c + s for c in range(CHANNELS) for s in range(SAMPLES)]
    path.write_bytes(header + b"".join(_block(seq, values(seq)) for seq in sequences))


def test_import_writes_every_block_with_gaps_filled(tmp_path):
    write_record(tmp_path / "0_rec.bin", [0, 1, 3])
    zav.import_sd_record(tmp_path, "rec", tmp_path / "out")

    rows = np.genfromtxt(tmp_path / "out" / "Blood Volume Pulse.csv", delimiter=",", names=True)
    np.testing.assert_array_equal(rows["sequence"], np.repeat([0, 1, 2, 3], SAMPLES))
    channel_2 = rows["Blood_Volume_Pulsech2"]
    np.testing.assert_array_equal(channel_2[[0, 1, 2, 9, 10, 11]], [10, 11, 12, 310, 311, 312])
    assert np.isnan(channel_2[6:9]).all()  # sequence 2 is missing from the record


def test_import_failures_raise(tmp_path):
    with pytest.raises(zav.ImportFailed, match="nothing"):
        zav.import_sd_record(tmp_path, "nothing", tmp_path / "out")
    with pytest.raises(zav.ImportFailed, match="base"):
        zav.import_eeg64_sd_record(tmp_path / "left", tmp_path / "right", "base", tmp_path / "out")
