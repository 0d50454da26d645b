#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into fuzz/corpus/<target>/."""
import json
import pathlib
import struct

root = pathlib.Path(__file__).resolve().parent / "corpus"


def record(kind, channels, size, block, mode):
    return "%-5.5s, %02d, %02d, %02d, %02d" % (kind, channels, size, block, mode)


def frame(sequence, payload, battery=3700, flags=0):
    data = bytes([0xAA, 0x55]) + struct.pack(">HHH", sequence, battery, flags) + payload
    return data + bytes([sum(data) % 256])


def chunk(data, op=0):
    out = b""
    for i in range(0, len(data), 255):
        part = data[i:i + 255]
        out += bytes([op, len(part)]) + part
    return out


def answer(text):
    return chunk(text.encode() + b"\0")


def write(target, name, data):
    folder = root / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


eeg = [("EEG", 4, 3, 1, 1), ("ACC", 3, 2, 1, 0), ("uSD", 0, 0, 0, 0)]
signals = "".join(record(*s) if s[0] != "uSD" else "uSD  , xx, xx, xx, 00" for s in eeg)
block_payload = bytes(range(12))
blocks = b"".join(frame(s, block_payload) for s in range(6))

# The driver session: host actions, then the device's side of the conversation.
conversation = b"\x04\x00" + answer("HW1.0_FW1.6") + answer("100") + answer(signals) + answer("folder") + answer("file")
write("fuzz_driver_session", "connect_start_read", bytes([5, 1, 2, 2, 2, 4]) + conversation + answer("OK") + chunk(blocks))
write("fuzz_driver_session", "errors", bytes([4, 0, 5, 1, 2]) + b"\x04\x00" + answer("UART ERR") + answer("HW1.0")
      + answer("ERR") + answer("100") + answer(signals) + b"\x06\x00")
write("fuzz_driver_session", "mode_change", bytes([6, 5 + 12 * 2 + 48, 1, 2, 4, 2, 2]) + conversation + answer("OK")
      + answer(record("EEG", 4, 3, 1, 1) + record("ACC", 3, 2, 1, 1) + "uSD  , xx, xx, xx, 00") + answer("OK")
      + chunk(blocks) + b"\x04\x00" + answer(signals))

# The block reader: a signal list, then a stream with a torn start and a bad checksum.
listText = (record("EEG", 4, 3, 1, 1) + record("ACC", 3, 2, 1, 1)).encode()
stream = chunk(blocks[5:]) + b"\x04\x00" + chunk(frame(9, bytes(18))[:-1] + b"\x00" + frame(10, bytes(18)))
write("fuzz_block_reader", "two_signals", bytes([len(listText) // 2]) + listText + stream)
write("fuzz_block_reader", "lost_link", bytes([len(listText) // 2]) + listText + chunk(frame(1, bytes(18))) + b"\x06\x00")
odd = (record("EEG", 1, 3, 2, 1) + "X").encode()
write("fuzz_block_reader", "odd_list", bytes([len(odd) // 2]) + odd + b"\x07\x40" + chunk(frame(3, bytes(6))))

# The property map and Bluetooth addresses.
for i, text in enumerate(["port=3", "Device=00:1A:7D:DA:71:13", "single=1", "path=/dev/my port", "=",
                          "00-1a-7d-da-71-13", "left=AA:BB:CC:DD:EE:FF:00"]):
    write("fuzz_property_map", "seed%d" % i, text.encode())

# The simulated device's configuration.
configs = [
    {"frequency": 32, "signals": [{"type": "EEG", "channels": 8, "bytes": 3, "blockSize": 8, "mode": 1}]},
    {"frequency": 500, "signals": [{"type": "EEG", "channels": 64, "bytes": 3, "blockSize": 8, "mode": 1},
                                   {"type": "DIN", "channels": 1, "bytes": 1, "blockSize": 8, "mode": 1}],
     "referenceWave": {"channel": 8, "frequency": 0.5, "amplitude": 50}},
    {"frequency": 0, "signals": []},
    {"signals": [{"type": "ACC", "channels": -1, "bytes": 2, "blockSize": 1, "mode": 1}]},
]
for i, config in enumerate(configs):
    write("fuzz_mock_configuration", "config%d.json" % i, json.dumps(config).encode())

# The record folder: files separated by "\n--\n".
def header(description, frequency, items, layout=None):
    text = description.encode() + b"\0" + str(frequency).encode() + b"\0"
    text += "".join(record(*s) for s in items).encode() + b"uSD  , xx, xx, xx, 01\0"
    if layout is not None:
        text += b"Cal" + layout.encode() + b"\0"
    return text


items = [("EEG", 4, 3, 1, 1), ("BVP", 2, 2, 1, 1)]
payload = bytes(16)
first = header("session", 32, items) + b"".join(frame(s, payload) for s in (0, 1, 3, 2))
second = header("session", 32, items) + b"".join(frame(s, payload) for s in (4, 5, 7))
write("fuzz_record_import", "two_files", first + b"\n--\n" + second)
write("fuzz_record_import", "damaged", first[:-5] + b"\xAA\x55\x00" + first[-40:])
write("fuzz_record_import", "layout", header("cap", 250, [("EEG", 8, 3, 8, 1)], "Fp1,Fp2") + frame(0, bytes(192)))

# The side buffer: a signal list, then (sequence, action, values) records.
sideList = (record("EEG", 32, 3, 8, 1) + record("DIN", 3, 1, 8, 1)).encode()
rows = b""
for s in range(4):
    rows += bytes([1, 0x80 | 3]) + bytes([(s * 7 + i) % 256 for i in range(32 * 8 + 24)])
write("fuzz_side_buffer", "eeg_din", bytes([len(sideList) // 2]) + sideList + rows)
write("fuzz_side_buffer", "gap", bytes([len(sideList) // 2]) + sideList + rows[:50] + bytes([9, 0x40]))
