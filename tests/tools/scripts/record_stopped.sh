#!/bin/sh
# `zav record` stopped early, by Ctrl-C (exit status 130) or by a full disk (a file-size
# limit stands in for it; exit status 1): the program says why, and the file opens in
# MNE-Python with its 32 EEG channels up to the last whole second.
#   record_stopped.sh interrupted|disk_full ZAV OUT.bdf
zav="$2"
out="$3"
rm -f "$out"
if [ "$1" = interrupted ]; then
  expected=130
  reason="stopped by Ctrl-C"
  timeout --preserve-status -s INT 4 "$zav" record "$out" --seconds 60 >"$out.log" 2>&1
else
  expected=1
  reason="the recording"
  # The limit's signal is ignored, so a write past it fails as on a full disk.
  (trap '' XFSZ; ulimit -f 400; exec "$zav" record "$out" --seconds 60) >"$out.log" 2>&1
fi
status=$?
cat "$out.log"
grep -q "$reason" "$out.log" || exit 1
[ "$status" -eq "$expected" ] || { echo "exit status $status, not $expected"; exit 1; }
/usr/bin/python3 - "$out" <<'PY' || exit $?
import sys
try:
    import mne
except ImportError:
    sys.exit(77)
raw = mne.io.read_raw_bdf(sys.argv[1], verbose="error")
eeg = [name for name in raw.ch_names if name.startswith("EEG")]
print("MNE opens", len(eeg), "EEG channels,", raw.times[-1], "s")
sys.exit(0 if len(eeg) == 32 and raw.times[-1] >= 1 else 1)
PY
