"""The package's own build backend (PEP 517): it needs nothing beyond the standard library, so
`pip install ./python` works without network, where an isolated build would first have to
download setuptools.

The wheel holds zav/*.py, py.typed and, when one has been placed beside the package, the shared
library under the names zav/_library.py looks for (the wheel is then tagged for this platform).
Name, version and the rest come from pyproject.toml's [project] table, the one place they live.
"""

from __future__ import annotations

import base64
import csv
import hashlib
import io
import os
import re
import sysconfig
import tarfile
import time
import zipfile
from pathlib import Path
from typing import Dict, List, Optional, Tuple

ROOT = Path(__file__).resolve().parents[1]
PACKAGE = "zav"
# The library's file names as zav/_library.py tries them, on every platform.
LIBRARY_NAMES = ("libzav.so.0", "libzav.so", "libzav.0.dylib", "libzav.dylib", "zav.dll")


def _project() -> dict:
    text = (ROOT / "pyproject.toml").read_text(encoding="utf-8")
    try:
        import tomllib  # Python 3.11 and later
    except ImportError:
        return _project_table(text)
    return tomllib.loads(text)["project"]


def _project_table(text: str) -> dict:
    """[project] without tomllib: the one-line forms this pyproject.toml uses (strings, lists of
    strings, inline tables of strings)."""
    table: dict = {}
    body = re.search(r"^\[project\]\n(.*?)(?=^\[|\Z)", text, re.S | re.M)[1]
    for key, value in re.findall(r"^([\w-]+)\s*=\s*(.+?)\s*$", body, re.M):
        strings = re.findall(r'"((?:[^"\\]|\\.)*)"', value)
        if value.startswith("["):
            table[key] = strings
        elif value.startswith("{"):
            table[key] = dict(zip(re.findall(r"([\w-]+)\s*=", value), strings))
        else:
            table[key] = strings[0]
    return table


def _metadata(project: dict) -> str:
    lines = [
        "Metadata-Version: 2.1",
        f"Name: {project['name']}",
        f"Version: {project['version']}",
        f"Summary: {project.get('description', '')}",
    ]
    license_ = project.get("license")
    if license_:
        lines.append(f"License: {license_['text'] if isinstance(license_, dict) else license_}")
    if "requires-python" in project:
        lines.append(f"Requires-Python: {project['requires-python']}")
    lines += [f"Requires-Dist: {dependency}" for dependency in project.get("dependencies", [])]
    text = "\n".join(lines) + "\n"
    readme = project.get("readme")
    if readme:
        text += "Description-Content-Type: text/markdown\n\n" + (ROOT / readme).read_text(encoding="utf-8")
    return text


def _names(project: dict) -> Tuple[str, str]:
    """The distribution's name and version as file names spell them."""
    return re.sub(r"[-_.]+", "_", project["name"]).lower(), project["version"]


def _sources() -> List[Path]:
    package = ROOT / PACKAGE
    return sorted(package.glob("*.py")) + [package / "py.typed"]


def _libraries() -> List[Path]:
    """The library files beside the package, each file once (a symlink's target counts)."""
    found: List[Path] = []
    seen = set()
    for name in LIBRARY_NAMES:
        path = ROOT / PACKAGE / name
        if path.is_file() and path.resolve() not in seen:
            seen.add(path.resolve())
            found.append(path)
    return found


def _epoch() -> int:
    # Reproducible archives: the time the sources claim, else the earliest a zip file can hold.
    earliest = 315532800  # 1980-01-01
    return max(int(os.environ.get("SOURCE_DATE_EPOCH", earliest)), earliest)


def _record_hash(data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"sha256={digest}"


def _write_wheel(wheel_directory: str, project: dict, files: Dict[str, Tuple[bytes, bool]], tag: str,
                 purelib: bool) -> str:
    """files: archive name -> (content, executable). Adds the .dist-info and returns the file name."""
    name, version = _names(project)
    info = f"{name}-{version}.dist-info"
    files = dict(files)
    files[f"{info}/METADATA"] = (_metadata(project).encode("utf-8"), False)
    files[f"{info}/WHEEL"] = (
        f"Wheel-Version: 1.0\nGenerator: zav_build\nRoot-Is-Purelib: {'true' if purelib else 'false'}\n"
        f"Tag: {tag}\n".encode(), False)
    record = io.StringIO()
    writer = csv.writer(record, lineterminator="\n")
    for archive_name, (data, _) in files.items():
        writer.writerow([archive_name, _record_hash(data), len(data)])
    writer.writerow([f"{info}/RECORD", "", ""])
    files[f"{info}/RECORD"] = (record.getvalue().encode(), False)

    filename = f"{name}-{version}-{tag}.whl"
    stamp = time.gmtime(_epoch())[:6]
    with zipfile.ZipFile(Path(wheel_directory) / filename, "w", zipfile.ZIP_DEFLATED) as wheel:
        for archive_name, (data, executable) in files.items():
            entry = zipfile.ZipInfo(archive_name, stamp)
            entry.external_attr = (0o755 if executable else 0o644) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(entry, data)
    return filename


def _platform_tag() -> str:
    return re.sub(r"[-.]", "_", sysconfig.get_platform())


# ---- PEP 517 and PEP 660 hooks -------------------------------------------------------------


def get_requires_for_build_wheel(config_settings: Optional[dict] = None) -> List[str]:
    return []


def get_requires_for_build_sdist(config_settings: Optional[dict] = None) -> List[str]:
    return []


def get_requires_for_build_editable(config_settings: Optional[dict] = None) -> List[str]:
    return []


def build_wheel(wheel_directory: str, config_settings: Optional[dict] = None,
                metadata_directory: Optional[str] = None) -> str:
    project = _project()
    files = {f"{PACKAGE}/{path.name}": (path.read_bytes(), False) for path in _sources()}
    libraries = _libraries()
    for path in libraries:
        files[f"{PACKAGE}/{path.name}"] = (path.read_bytes(), True)
    if libraries:
        return _write_wheel(wheel_directory, project, files, f"py3-none-{_platform_tag()}", purelib=False)
    return _write_wheel(wheel_directory, project, files, "py3-none-any", purelib=True)


def build_editable(wheel_directory: str, config_settings: Optional[dict] = None,
                   metadata_directory: Optional[str] = None) -> str:
    # The installed package is this folder itself, through a path entry.
    project = _project()
    return _write_wheel(wheel_directory, project, {f"{PACKAGE}.pth": (f"{ROOT}\n".encode(), False)},
                        "py3-none-any", purelib=True)


def build_sdist(sdist_directory: str, config_settings: Optional[dict] = None) -> str:
    project = _project()
    name, version = _names(project)
    base = f"{name}-{version}"
    sources = [ROOT / "pyproject.toml", Path(__file__).resolve(), *_sources()]
    if project.get("readme"):
        sources.append(ROOT / project["readme"])
    stamp = _epoch()
    filename = f"{base}.tar.gz"

    def add(archive: tarfile.TarFile, archive_name: str, data: bytes) -> None:
        entry = tarfile.TarInfo(f"{base}/{archive_name}")
        entry.size, entry.mtime, entry.mode = len(data), stamp, 0o644
        archive.addfile(entry, io.BytesIO(data))

    with tarfile.open(Path(sdist_directory) / filename, "w:gz", format=tarfile.PAX_FORMAT) as archive:
        for path in sorted(set(sources)):
            add(archive, path.relative_to(ROOT).as_posix(), path.read_bytes())
        add(archive, "PKG-INFO", _metadata(project).encode("utf-8"))
    return filename
