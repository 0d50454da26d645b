"""Conversion of SD-card records into CSV files."""

from __future__ import annotations

import os
from typing import Union

from . import _library
from .errors import ImportFailed

PathLike = Union[str, "os.PathLike[str]"]


def _path(path: PathLike) -> bytes:
    return _library.encode(os.fspath(path))


def import_sd_record(folder: PathLike, name: str, out: PathLike) -> None:
    """Converts the record name (files "<n>_<name>...") in folder into CSV files in out:
    signalsInfo.csv, one file per signal and an impedance file per EEG signal. out is created
    when missing. Raises ImportFailed when no such record exists or it could not be converted."""
    os.makedirs(out, exist_ok=True)
    if _library.lib().zav_driver_import_sd_record(_path(folder), name.encode(), _path(out)) != 1:
        raise ImportFailed(_library.describe(f"cannot convert record {name!r} of {os.fspath(folder)}",
                                             _library.error_text()))


def import_eeg64_sd_record(left: PathLike, right: PathLike, base: str, out: PathLike) -> int:
    """Converts the left and right records of a 64-channel set, aligned on their marker codes,
    into one set of CSV files in out (created when missing); returns the number of record pairs
    converted. Raises ImportFailed when none was."""
    os.makedirs(out, exist_ok=True)
    pairs = _library.lib().zav_driver_import_eeg64_sd_record(_path(left), _path(right), base.encode(), _path(out))
    if pairs <= 0:
        raise ImportFailed(_library.describe(
            f"no record pair {base!r} of {os.fspath(left)} and {os.fspath(right)} was converted",
            _library.error_text()))
    return pairs


def import_sd_record_bdf(folder: PathLike, name: str, out_file: PathLike) -> None:
    """Converts the record name in folder into one BDF+ file (gaps annotated, not filled with
    invented values). Raises ImportFailed when no such record exists or it could not be converted."""
    convert = getattr(_library.lib(), "zav_import_sd_record_bdf", None)
    if convert is None or convert(_path(folder), name.encode(), _path(out_file)) != 1:
        raise ImportFailed(_library.describe(f"cannot convert record {name!r} of {os.fspath(folder)} to BDF",
                                             _library.error_text()))
