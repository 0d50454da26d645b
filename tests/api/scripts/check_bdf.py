# A BDF file read through MNE-Python against the CSV export of the same blocks; exit 77 without MNE.
import argparse
import csv
import math
import os
import sys

try:
    import mne
    import numpy as np
except ImportError:
    print("MNE-Python is not installed: skipped")
    sys.exit(77)

parser = argparse.ArgumentParser()
parser.add_argument("bdf")
parser.add_argument("csv_folder")
parser.add_argument("--seconds", type=float, required=True)
parser.add_argument("--annotation", nargs=3, action="append", default=[])
parser.add_argument("--eeg-labels", type=lambda text: text.split(","), default=[])
args = parser.parse_args()
# Label -> (sample rate, values) from signalsInfo.csv and the signals' files.
expected = {}
with open(os.path.join(args.csv_folder, "signalsInfo.csv"), newline="") as info:
    for signal in csv.DictReader(info):
        with open(os.path.join(args.csv_folder, signal["signal"] + ".csv"), newline="") as data:
            rows = list(csv.DictReader(data))
        for c in range(int(signal["channels"])):
            column = "%s-ch%d" % (signal["signal"], c + 1)
            label = args.eeg_labels[c] if signal["signal"] == "EEG" and args.eeg_labels else column
            values = np.array([float(row[column]) for row in rows])
            expected[label] = (int(signal["samplingrate"]), np.nan_to_num(values, nan=0.0))
problems = []

raw = mne.io.read_raw_bdf(args.bdf, stim_channel=None, preload=True, verbose="error")
if sorted(raw.ch_names) != sorted(expected):
    problems.append("channels %s, expected %s" % (raw.ch_names, sorted(expected)))
extras = raw._raw_extras[0]
record_seconds = extras["record_length"][0]
rates = {name: extras["n_samps"][extras["sel"][i]] / record_seconds for i, name in enumerate(raw.ch_names)}
problems += ["%s: %g samples per second, expected %d" % (name, rates[name], expected[name][0])
             for name in raw.ch_names if name in expected and rates[name] != expected[name][0]]
seconds = raw.n_times / raw.info["sfreq"]
with open(args.bdf, "rb") as bdf:
    records = int(bdf.read(244)[236:].decode())  # as the header counts them
if not math.isclose(seconds, args.seconds) or records * record_seconds != args.seconds:
    problems.append("%g s (%d records in the header), expected %g s" % (seconds, records, args.seconds))

found = sorted((round(a["onset"], 4), round(a["duration"], 4), a["description"]) for a in raw.annotations)
wanted = sorted((round(float(o), 4), round(float(d), 4), t) for o, d, t in args.annotation)
if found != wanted:
    problems.append("annotations %s, expected %s" % (found, wanted))

# MNE resamples slower channels to the fastest rate; read alone they keep their samples.
for rate in set(rates.values()):
    names = [n for n in raw.ch_names if n in expected and rates[n] == rate]
    alone = mne.io.read_raw_bdf(args.bdf, stim_channel=None, include=names, preload=True, verbose="error")
    for row, name in zip(alone.get_data(picks=names), names):
        step = alone._raw_extras[0]["cal"][alone.ch_names.index(name)]
        if alone._orig_units[name] in ("uV", "\u00b5V"):
            row = row * 1e6
        values = expected[name][1]
        worst = np.max(np.abs(row[:len(values)] - values))
        tail = np.max(np.abs(row[len(values):]), initial=0.0)
        if max(worst, tail) > step / 2 * (1 + 1e-6) + 1e-12:
            problems.append("%s: off by %g (tail %g), half a step is %g" % (name, worst, tail, step / 2))

print("\n".join(problems + ["%s: %d channels, %g s, %d annotations: %s" % (
    os.path.basename(args.bdf), len(raw.ch_names), seconds, len(found), "FAILED" if problems else "ok")]))
sys.exit(1 if problems else 0)
