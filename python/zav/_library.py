"""Finding and loading the zav shared library and declaring its functions for ctypes."""

from __future__ import annotations

import ctypes
import os
import sys
from pathlib import Path
from typing import List, Optional

from .errors import LibraryNotFoundError

# The major version in the library's file name (libzav.so.<N>); it follows the library's SOVERSION.
SONAME_MAJOR = 0

_c_double_p = ctypes.POINTER(ctypes.c_double)
_u16_p = ctypes.POINTER(ctypes.c_uint16)
_u32_p = ctypes.POINTER(ctypes.c_uint32)
_i32_p = ctypes.POINTER(ctypes.c_int32)
_void_p = ctypes.c_void_p
_char_p = ctypes.c_char_p
_int = ctypes.c_int
_bool = ctypes.c_bool

# name: (result type, argument types)
_PROTOTYPES = {
    "zav_version": (_char_p, []),
    "zav_driver_new_usb": (_void_p, [_int, ctypes.c_uint32]),
    "zav_driver_new_serial": (_void_p, [_char_p, ctypes.c_uint32]),
    "zav_driver_new_bluetooth": (_void_p, [_char_p, ctypes.c_uint32]),
    "zav_driver_new_eeg64": (_void_p, [_char_p, _char_p]),
    "zav_driver_new_simulated": (_void_p, [_char_p, ctypes.c_uint32]),
    "zav_driver_free": (None, [_void_p]),
    "zav_driver_connect": (None, [_void_p]),
    "zav_driver_disconnect": (None, [_void_p]),
    "zav_driver_is_connected": (_bool, [_void_p]),
    "zav_driver_is_running": (_bool, [_void_p]),
    "zav_driver_start": (_bool, [_void_p]),
    "zav_driver_stop": (_bool, [_void_p]),
    "zav_driver_synchronize": (_bool, [_void_p, _u32_p, _i32_p]),
    # The address is taken as an integer: one cached ctypes array type views it without a
    # pointer object per block.
    "zav_driver_read": (_void_p, [_void_p, _u16_p, _u16_p, _u16_p]),
    "zav_driver_read_data_size": (_int, [_void_p]),
    "zav_driver_get_frequency": (ctypes.c_uint16, [_void_p]),
    "zav_driver_get_eeg_impedance": (_int, [_void_p, ctypes.c_uint16]),
    "zav_driver_get_number_of_signals": (ctypes.c_uint16, [_void_p]),
    "zav_driver_get_signal": (_void_p, [_void_p, ctypes.c_uint16]),
    "zav_signal_get_type": (_char_p, [_void_p, _char_p, ctypes.c_uint32]),
    "zav_signal_get_channels": (_int, [_void_p]),
    "zav_signal_get_samples": (_int, [_void_p]),
    "zav_signal_get_mode": (_int, [_void_p]),
    "zav_signal_set_mode": (_bool, [_void_p, _int]),
    "zav_driver_get_hw_version": (_bool, [_void_p, _u16_p, _u16_p]),
    "zav_driver_get_fw_version": (_bool, [_void_p, _u16_p, _u16_p]),
    "zav_driver_has_sd_card_capability": (_bool, [_void_p]),
    "zav_driver_is_sd_card_enabled": (_bool, [_void_p]),
    "zav_driver_enable_sd_card": (_bool, [_void_p, _int]),
    "zav_driver_get_folder": (_char_p, [_void_p, _char_p, ctypes.c_uint32]),
    "zav_driver_get_file": (_char_p, [_void_p, _char_p, ctypes.c_uint32]),
    "zav_driver_set_folder": (_bool, [_void_p, _char_p]),
    "zav_driver_set_file": (_bool, [_void_p, _char_p]),
    "zav_driver_import_sd_record": (_int, [_char_p, _char_p, _char_p]),
    "zav_driver_import_eeg64_sd_record": (_int, [_char_p, _char_p, _char_p, _char_p]),
}

# Functions of later releases; used when the loaded library has them.
_OPTIONAL_PROTOTYPES = {
    "zav_last_error": (_char_p, []),
    "zav_driver_record_start": (_bool, [_void_p, _char_p]),
    "zav_driver_record_stop": (_bool, [_void_p]),
    "zav_import_sd_record_bdf": (_int, [_char_p, _char_p, _char_p]),
    # The batch read takes raw addresses: no conversion per call on the hot path.
    "zav_driver_read_blocks": (_int, [_void_p, _int, _void_p, ctypes.c_uint32, _void_p, _void_p, _void_p]),
    "zav_driver_read_planar": (_int, [_void_p, _int, _void_p, ctypes.c_uint32, _void_p, _void_p, _void_p]),
}

_library: Optional[ctypes.CDLL] = None


def library_names() -> List[str]:
    """File names the library has on this system, the versioned one first."""
    if sys.platform == "win32":
        return ["zav.dll"]
    if sys.platform == "darwin":
        return [f"libzav.{SONAME_MAJOR}.dylib", "libzav.dylib"]
    return [f"libzav.so.{SONAME_MAJOR}", "libzav.so"]


def _load() -> ctypes.CDLL:
    tried: List[str] = []
    override = os.environ.get("ZAV_LIBRARY")
    if override:
        # An explicit choice is the only place looked at: a silent fallback would hide a wrong path.
        candidates = [str(Path(override) / n) for n in library_names()] if Path(override).is_dir() else [override]
        for candidate in candidates:
            try:
                return ctypes.CDLL(candidate)
            except OSError as error:
                tried.append(f"{candidate} ({error})")
        raise LibraryNotFoundError("cannot load the zav library from ZAV_LIBRARY: " + "; ".join(tried))

    beside = Path(__file__).resolve().parent
    for name in library_names():
        candidate = beside / name
        if candidate.exists():
            try:
                return ctypes.CDLL(str(candidate))
            except OSError as error:
                tried.append(f"{candidate} ({error})")
        else:
            tried.append(f"{candidate} (missing)")
    for name in library_names():
        try:
            return ctypes.CDLL(name)
        except OSError:
            tried.append(f"{name} on the system library path (not found)")
    raise LibraryNotFoundError(
        "cannot find the zav library; looked at " + "; ".join(tried) +
        ". Set ZAV_LIBRARY to the library file or install zav.")


def _declare(lib: ctypes.CDLL) -> None:
    missing = [name for name in _PROTOTYPES if not hasattr(lib, name)]
    if missing:
        raise LibraryNotFoundError(f"the zav library at {lib._name} lacks {', '.join(missing)}; it is too old")
    for table in (_PROTOTYPES, _OPTIONAL_PROTOTYPES):
        for name, (result, arguments) in table.items():
            if hasattr(lib, name):
                function = getattr(lib, name)
                function.restype = result
                function.argtypes = arguments


def lib() -> ctypes.CDLL:
    """The loaded library with its functions declared; loaded once on first use."""
    global _library
    if _library is None:
        loaded = _load()
        _declare(loaded)
        _library = loaded
    return _library


def read_function():
    """zav_driver_read for the hot path: no argument conversion, the address as an integer."""
    function = lib()["zav_driver_read"]  # a separate function object; the declared one stays as is
    function.restype = ctypes.c_void_p
    return function


def error_text() -> str:
    """The library's reason for this thread's last failure, "" when it gives none. The library
    clears it at every call, so it is read right after the call that failed."""
    loaded = lib()
    if not hasattr(loaded, "zav_last_error"):
        return ""
    text = loaded.zav_last_error()
    return text.decode("utf-8", "replace") if text else ""


def describe(message: str, reason: str) -> str:
    return f"{message}: {reason}" if reason else message


def encode(text: str) -> bytes:
    """Text for the library: paths in the file system's encoding, names as UTF-8."""
    return os.fsencode(text)
