"""The package as installed and documented: version, finding the library, the README example."""

import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

import zav

ROOT = Path(__file__).resolve().parents[2]


def _run(*command, **options):
    return subprocess.run([str(part) for part in command], capture_output=True, text=True, timeout=300, **options)


def _python(code, **environment):
    return _run(sys.executable, "-c", code, env=dict(os.environ, **environment))


def test_library_is_found_by_folder_and_a_wrong_path_is_named():
    # A folder is searched for the versioned name the library was built with.
    found = _python("import zav; print(zav.__version__)", ZAV_LIBRARY=str(Path(os.environ["ZAV_LIBRARY"]).parent))
    assert found.stdout.strip() == zav.__version__, found.stderr
    missing = _python("import zav; zav.Device.simulated()", ZAV_LIBRARY="/nowhere/libzav.so")
    assert "LibraryNotFoundError" in missing.stderr and "/nowhere/libzav.so" in missing.stderr


def test_readme_python_example_runs():
    section = (ROOT / "README.md").read_text().split("## Using the library from Python", 1)[1]
    code = re.search(r"```python\n(.*?)```", section, re.S)[1]
    result = _python(code)
    assert result.returncode == 0, result.stderr
    assert re.search(r"EEG \(32, 1280\) mean per channel: \[", result.stdout), result.stdout


def test_pip_installs_the_package_offline_into_a_fresh_environment(tmp_path):
    venv = tmp_path / "venv"
    made = _run(sys.executable, "-m", "venv", "--system-site-packages", venv)
    python = venv / ("Scripts/python.exe" if os.name == "nt" else "bin/python")
    if made.returncode != 0 or not python.exists():
        pytest.skip("no virtual environment with pip here: " + made.stderr.strip()[-200:])
    # Without an index, a build that needed anything from the network fails.
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env.update(PIP_NO_INDEX="1", PIP_NO_CACHE_DIR="1", PIP_DISABLE_PIP_VERSION_CHECK="1",
               ZAV_LIBRARY=str(Path(os.environ["ZAV_LIBRARY"]).resolve()))
    install = _run(python, "-m", "pip", "install", ROOT / "python", env=env, cwd=tmp_path)
    assert install.returncode == 0, install.stdout + install.stderr
    # The package's version is the library's.
    code = "import importlib.metadata as m, zav; print(zav.__file__, zav.__version__ == m.version('zav'))"
    result = _run(python, "-c", code, env=env, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    where, same_version = result.stdout.split()
    assert Path(where).is_relative_to(venv) and same_version == "True"
