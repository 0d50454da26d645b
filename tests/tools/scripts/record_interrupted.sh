#!/bin/sh
# Ctrl-C during `zav record`: the program says so, exits 130, and the file opens in
# MNE-Python with the seconds recorded up to then.
#   record_interrupted.sh ZAV OUT.bdf
zav="$1"
out="$2"
"$zav" record "$out" --seconds 60 >"$out.log" 2>&1 &
pid=$!
sleep 4
kill -INT "$pid"
wait "$pid"
status=$?
cat "$out.log"
grep -q "stopped by Ctrl-C" "$out.log" || exit 1
[ "$status" -eq 130 ] || { echo "exit status $status, not 130"; exit 1; }
/usr/bin/python3 - "$out" <<'PY' || exit $?
import sys
try:
    import mne
except ImportError:
    sys.exit(77)
raw = mne.io.read_raw_bdf(sys.argv[1], verbose="error")
eeg = [name for name in raw.ch_names if name.startswith("EEG")]
print("MNE opens", len(eeg), "EEG channels,", raw.times[-1], "s")
sys.exit(0 if len(eeg) == 32 and raw.times[-1] >= 2 else 1)
PY
