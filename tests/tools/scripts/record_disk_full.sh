#!/bin/sh
# A disk that fills up during `zav record` (a file-size limit stands in for it): the program
# says the recording failed, exits 1, and the file opens in MNE-Python up to its last whole
# data record.
#   record_disk_full.sh ZAV OUT.bdf
zav="$1"
out="$2"
rm -f "$out"
# The limit's signal is ignored, so a write past it fails as on a full disk.
(trap '' XFSZ; ulimit -f 400; exec "$zav" record "$out" --seconds 60) >"$out.log" 2>&1
status=$?
cat "$out.log"
grep -q "the recording" "$out.log" || exit 1
[ "$status" -eq 1 ] || { echo "exit status $status, not 1"; exit 1; }
/usr/bin/python3 - "$out" <<'PY' || exit $?
import sys
try:
    import mne
except ImportError:
    sys.exit(77)
raw = mne.io.read_raw_bdf(sys.argv[1], verbose="error")
print("MNE opens", raw.times[-1], "s")
sys.exit(0 if raw.times[-1] >= 1 else 1)
PY
