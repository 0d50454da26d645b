"""SD-card record conversion through the package, on the records the command-line tests convert."""

from pathlib import Path

import numpy as np
import pytest

import zav

def test_import_writes_every_block_of_the_named_record(tmp_path):
    zav.import_sd_record(Path(__file__).resolve().parents[1] / "data" / "records", "run", tmp_path)
    rows = np.genfromtxt(tmp_path / "EEG.csv", delimiter=",", names=True)
    np.testing.assert_array_equal(rows["sequence"], np.repeat(range(5), 2))  # none of run2's


def test_import_failures_raise(tmp_path):
    with pytest.raises(zav.ImportFailed, match="nothing"):
        zav.import_sd_record(tmp_path, "nothing", tmp_path / "out")
    with pytest.raises(zav.ImportFailed, match="base"):
        zav.import_eeg64_sd_record(tmp_path / "left", tmp_path / "right", "base", tmp_path / "out")
