#!/usr/bin/python3
"""Blocks per second read through the Python package against the same reads made from C.

The simulated device paces its blocks in real time but makes them only when they are read, so a
reader that has fallen behind gets them at once: each run first waits as long as its blocks take
to come due, then reads them all without waiting. The device has the built-in device's shape
(EEG 32 x 8, ExG_B 2 x 8, IMU_B 9 x 1, FOT 1 x 8, DIN 3 x 8, SD card) at 2000 blocks per second,
so that the library grades the EEG contacts as it does for that device; with --no-grading the
32-channel signal is ExG_A (the same bytes and decoding, no grading), which leaves the C side as
cheap as it gets, the hard case for the overhead, and the device runs ten times as fast, which
shortens the waits and changes nothing else.

    ZAV_LIBRARY=build/release/lib/libzav.so PYTHONPATH=python python3 bench/python_read_bench.py

"C loop", the base of the percentages, is a loop over zav_driver_read compiled here (when a C
compiler is at hand) and run in this process on the same device, as a C host reads; "C loop, kept"
the same loop copying each block into one array, as a C host that keeps what it reads does; "C
planar" one zav_driver_read_planar call for all of a run's blocks. Then "ctypes loop", a bare Python loop over
zav_driver_read, Device.read() (the block copied out), the same with its arrays made (.data), and
Device.read_seconds() for as many blocks as each run reads (joined per signal, fresh arrays); of
that, the part spent outside the library's call is reported on its own.
The runs are interleaved, a round of each at a time; the best run of each counts, and so does the
median over the rounds of each run's time against the C loop's in the same round, since a busy
machine slows single runs.
"""

import argparse
import ctypes
import json
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

import zav
from zav import _library

ROOT = Path(__file__).resolve().parents[1]
GRADING_RATE = 2000  # blocks per second; the contact grading keeps 10 s of samples, so not many more

# The library's read comes in as a function pointer, so that the loop uses the very library (and
# handle) this process loaded.
C_LOOP = r"""
#include <stddef.h>
#include <string.h>
#include <zav/zav.h>

typedef const double* (*read_function)(zav_driver*, uint16_t*, uint16_t*, uint16_t*);

int read_loop(read_function read, zav_driver* driver, int blocks) {
  uint16_t sequence, battery, flags;
  int read_blocks = 0;
  for (int i = 0; i < blocks; ++i) read_blocks += read(driver, &sequence, &battery, &flags) != NULL;
  return read_blocks;
}

int read_kept(read_function read, zav_driver* driver, int blocks, double* values, size_t size) {
  uint16_t sequence, battery, flags;
  int read_blocks = 0;
  for (int i = 0; i < blocks; ++i) {
    const double* block = read(driver, &sequence, &battery, &flags);
    if (block == NULL) continue;
    memcpy(values + (size_t)read_blocks * size, block, size * sizeof(double));
    ++read_blocks;
  }
  return read_blocks;
}
"""


def write_config(folder: Path, grading: bool, rate: int) -> Path:
    def entry(kind, channels, size, samples):
        return {"type": kind, "channels": channels, "bytes": size, "blockSize": samples, "mode": 1,
                "sr": rate * samples, "values": []}

    signals = [entry("EEG" if grading else "ExG_A", 32, 3, 8), entry("ExG_B", 2, 3, 8), entry("IMU_B", 9, 2, 1),
               entry("FOT", 1, 3, 8), entry("DIN", 3, 1, 8), entry("uSD", 0, 0, 1)]
    path = folder / "device.json"
    path.write_text(json.dumps({"signals": signals}))
    return path


def c_loops(folder: Path):
    """The C reading loops as functions of a small shared object; None without a C compiler."""
    compiler = shutil.which("cc") or shutil.which("gcc")
    if compiler is None:
        return None
    source, shared = folder / "read_loop.c", folder / "read_loop.so"
    source.write_text(C_LOOP)
    subprocess.run([compiler, "-O2", "-shared", "-fPIC", str(source), "-I", str(ROOT / "include"), "-o", str(shared)],
                   check=True)
    library = ctypes.CDLL(str(shared))
    library.read_loop.restype = library.read_kept.restype = ctypes.c_int
    library.read_loop.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int]
    library.read_kept.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t]
    return library


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--blocks", type=int, default=4000, help="blocks per run")
    parser.add_argument("--repeat", type=int, default=5, help="rounds of runs")
    parser.add_argument("--no-grading", action="store_true", help="ExG_A instead of EEG: no contact grading")
    parser.add_argument("--cpu-time", action="store_true",
                        help="the reading thread's processor time, not the wall clock's: on a machine whose other "
                             "work takes the processor away now and then, the runs' times then stay comparable")
    args = parser.parse_args()
    blocks = args.blocks
    clock = time.thread_time if args.cpu_time else time.perf_counter

    with tempfile.TemporaryDirectory() as temporary:
        folder = Path(temporary)
        rate = GRADING_RATE * (10 if args.no_grading else 1)
        config = write_config(folder, not args.no_grading, rate)
        backlog = 1.1 * blocks / rate  # seconds to wait before a run
        # The grading's 10-second window is full, and its evaluations run, from then on.
        warm_up = 12 * GRADING_RATE
        loops = c_loops(folder)
        lib = _library.lib()

        with zav.Device.simulated(config) as device:
            device.start()
            read, handle = _library.read_function(), ctypes.c_void_p(device._handle)
            outputs = tuple(ctypes.pointer(ctypes.c_uint16()) for _ in range(3))
            size = lib.zav_driver_read_data_size(handle)
            values, words = np.empty(blocks * size + 8), np.empty(3 * blocks, dtype=np.uint16)
            values = values[(-values.ctypes.data % 64) // 8:][:blocks * size]  # on a cache line, as Python's
            values.fill(0.0)  # its pages in place before the first run
            read_address = ctypes.cast(lib.zav_driver_read, ctypes.c_void_p)

            def checked(count):
                if count != blocks:
                    raise RuntimeError(f"{count} of {blocks} blocks read")

            def c_planar():
                checked(lib.zav_driver_read_planar(handle, blocks, values.ctypes.data, values.size, words.ctypes.data,
                                                   words[blocks:].ctypes.data, words[2 * blocks:].ctypes.data))

            def ctypes_loop():
                for _ in range(blocks):
                    read(handle, *outputs)

            def python_read():
                for _ in range(blocks):
                    device.read()

            def python_read_and_arrays():
                for _ in range(blocks):
                    device.read().data

            runs = {}
            if loops is not None:
                runs["C loop"] = lambda: checked(loops.read_loop(read_address, handle, blocks))
                runs["C loop, kept"] = lambda: checked(loops.read_kept(read_address, handle, blocks,
                                                                       values.ctypes.data, size))
            runs.update({"C planar": c_planar, "ctypes loop": ctypes_loop, "Device.read": python_read,
                         "Device.read + .data": python_read_and_arrays,
                         "Device.read_seconds": lambda: device.read_seconds(blocks / rate)})
            device.read_joined(warm_up)
            times = {name: [] for name in runs}  # seconds per block, per round
            in_library = []  # the library's share of each Device.read_seconds
            planar = device._read_planar

            def timed_planar(*arguments):
                start = clock()
                done = planar(*arguments)
                in_library.append(clock() - start)
                return done

            device._read_planar = timed_planar
            for _ in range(args.repeat):
                for name, run in runs.items():
                    time.sleep(backlog)
                    start = clock()
                    run()
                    times[name].append((clock() - start) / blocks)

    base_name = "C loop" if loops is not None else "ctypes loop"
    base = times[base_name]
    kind = "ExG_A, no contact grading" if args.no_grading else "EEG with contact grading"
    print(f"zav {zav.__version__}: the built-in device's shape ({kind}), {blocks} blocks per run, "
          f"{args.repeat} rounds{', processor time' if args.cpu_time else ''}; against {base_name}: "
          "best against best, median of the rounds")
    for name, seconds in times.items():
        best = min(seconds)
        paired = statistics.median(s / b for s, b in zip(seconds, base))
        print(f"  {name:20s} {best * 1e6:7.2f} us/block {1 / best:9.0f} blocks/s "
              f"{(best / min(base) - 1) * 100:+6.1f}% {(paired - 1) * 100:+6.1f}%")
    own = [total * blocks - library for total, library in zip(times["Device.read_seconds"], in_library)]
    print(f"  Python's own work in Device.read_seconds (all but the library's call): median "
          f"{statistics.median(own) * 1e6:.0f} us per run, "
          f"{statistics.median(o / (t * blocks) for o, t in zip(own, times['Device.read_seconds'])) * 100:.1f}% of it")
    return 0


if __name__ == "__main__":
    sys.exit(main())
