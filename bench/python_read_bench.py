#!/usr/bin/python3
"""Blocks per second read through the Python package against the same reads made from C.

The simulated device paces its blocks in real time but makes them only when they are read, so a
reader that has fallen behind gets them at once: each run first waits as long as its blocks take
to come due, then reads them all without waiting. The device has the built-in device's shape
(EEG 32 x 8, ExG_B 2 x 8, IMU_B 9 x 1, FOT 1 x 8, DIN 3 x 8, SD card) at 2000 blocks per second,
so that the library grades the EEG contacts as it does for that device; with --no-grading the
32-channel signal is ExG_A (the same bytes and decoding, no grading), which leaves the C side as
cheap as it gets, the hard case for the overhead.

    ZAV_LIBRARY=build/release/lib/libzav.so PYTHONPATH=python python3 bench/python_read_bench.py

"C program" is a small C program compiled here against the header (when a C compiler is at hand),
"ctypes loop" a bare loop over zav_driver_read, then Device.read() (the block copied out), the same
with its arrays made (.data), and Device.read_joined() (blocks joined per signal, as read_seconds).
The Python runs are interleaved; the best run of each counts, as the machine may be busy.
"""

import argparse
import ctypes
import json
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import zav
from zav import _library

ROOT = Path(__file__).resolve().parents[1]
RATE = 2000  # blocks per second; the contact grading keeps 10 s of samples, so not many more

C_PROGRAM = r"""
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>
#include <zav/zav.h>

static double seconds(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

/* config blocks backlog-microseconds runs warm-up-blocks: prints the best seconds per block */
int main(int argc, char** argv) {
  if (argc != 6) return 2;
  int blocks = atoi(argv[2]), backlog = atoi(argv[3]), runs = atoi(argv[4]), warm = atoi(argv[5]);
  zav_driver* d = zav_driver_new_simulated(argv[1], zav_dry_eeg_sensor);
  zav_driver_connect(d);
  if (!zav_driver_is_connected(d) || !zav_driver_start(d)) return 1;
  for (int i = 0; i < warm; ++i) zav_driver_read(d, NULL, NULL, NULL);
  double best = 1e9;
  uint16_t seq, battery, flags;
  for (int r = 0; r < runs; ++r) {
    usleep((useconds_t)backlog); /* the blocks come due meanwhile */
    int read = 0;
    double start = seconds();
    for (int i = 0; i < blocks; ++i) read += zav_driver_read(d, &seq, &battery, &flags) != NULL;
    double each = (seconds() - start) / blocks;
    if (read != blocks) return 1;
    if (each < best) best = each;
  }
  printf("%.9f\n", best);
  zav_driver_stop(d);
  zav_driver_disconnect(d);
  zav_driver_free(d);
  return 0;
}
"""


def write_config(folder: Path, grading: bool) -> Path:
    def entry(kind, channels, size, samples):
        return {"type": kind, "channels": channels, "bytes": size, "blockSize": samples, "mode": 1,
                "sr": RATE * samples, "values": []}

    signals = [entry("EEG" if grading else "ExG_A", 32, 3, 8), entry("ExG_B", 2, 3, 8), entry("IMU_B", 9, 2, 1),
               entry("FOT", 1, 3, 8), entry("DIN", 3, 1, 8), entry("uSD", 0, 0, 1)]
    path = folder / "device.json"
    path.write_text(json.dumps({"signals": signals}))
    return path


def c_program(folder: Path):
    """Builds the C reader; None without a C compiler."""
    compiler = shutil.which("cc") or shutil.which("gcc")
    if compiler is None:
        return None
    library = Path(_library.lib()._name).resolve()
    source, program = folder / "read_bench.c", folder / "read_bench"
    source.write_text(C_PROGRAM)
    subprocess.run([compiler, "-O2", str(source), "-I", str(ROOT / "include"), str(library), "-o", str(program),
                    f"-Wl,-rpath,{library.parent}"], check=True)
    return program


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--blocks", type=int, default=4000, help="blocks per run")
    parser.add_argument("--repeat", type=int, default=5, help="runs of each; the fastest counts")
    parser.add_argument("--no-grading", action="store_true", help="ExG_A instead of EEG: no contact grading")
    args = parser.parse_args()
    blocks = args.blocks

    with tempfile.TemporaryDirectory() as temporary:
        folder = Path(temporary)
        config = write_config(folder, not args.no_grading)
        backlog = 1.1 * blocks / RATE  # seconds to wait before a run
        # The grading's 10-second window is full, and its evaluations run, from then on.
        warm_up = 12 * RATE
        program = c_program(folder)
        cost = {}  # seconds per block, the least seen

        def note(name, seconds):
            cost[name] = min(cost.get(name, float("inf")), seconds)

        if program:
            result = subprocess.run([str(program), str(config), str(blocks), str(int(backlog * 1e6)),
                                     str(args.repeat), str(warm_up)], check=True, capture_output=True, text=True)
            note("C program", float(result.stdout))

        with zav.Device.simulated(config) as device:
            device.start()
            read, handle = _library.read_function(), ctypes.c_void_p(device._handle)
            outputs = tuple(ctypes.pointer(ctypes.c_uint16()) for _ in range(3))

            def ctypes_loop():
                for _ in range(blocks):
                    read(handle, *outputs)

            def python_read():
                for _ in range(blocks):
                    device.read()

            def python_read_and_arrays():
                for _ in range(blocks):
                    device.read().data

            runs = {"ctypes loop": ctypes_loop, "Device.read": python_read,
                    "Device.read + .data": python_read_and_arrays,
                    "Device.read_joined": lambda: device.read_joined(blocks)}
            device.read_joined(warm_up)
            # Interleaved, so that a busy moment of the machine does not favour one of them.
            for _ in range(args.repeat):
                for name, run in runs.items():
                    time.sleep(backlog)
                    start = time.perf_counter()
                    run()
                    note(name, (time.perf_counter() - start) / blocks)

    base = cost.get("C program", cost["ctypes loop"])
    kind = "ExG_A, no contact grading" if args.no_grading else "EEG with contact grading"
    print(f"zav {zav.__version__}: the built-in device's shape ({kind}), {blocks} blocks per run, "
          f"best of {args.repeat} runs")
    for name, seconds in cost.items():
        print(f"  {name:20s} {seconds * 1e6:7.2f} us/block {1 / seconds:9.0f} blocks/s "
              f"{(seconds / base - 1) * 100:+6.1f}%")
    return 0


if __name__ == "__main__":
    sys.exit(main())
