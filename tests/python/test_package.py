"""The package as installed and documented: version, finding the library, the README example."""

import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

import zav

ROOT = Path(__file__).resolve().parents[2]


def _python(code, **environment):
    env = dict(os.environ, **environment)
    return subprocess.run([sys.executable, "-c", code], env=env, capture_output=True, text=True, timeout=120)


def test_version_is_the_library_and_package_version():
    pyproject = (ROOT / "python/pyproject.toml").read_text()
    assert zav.__version__ == re.search(r'^version = "([^"]+)"', pyproject, re.M)[1]


def test_library_is_found_by_folder_and_a_wrong_path_is_named():
    library = Path(os.environ["ZAV_LIBRARY"])
    # A folder is searched for the versioned name the library was built with.
    found = _python("import zav; print(zav.__version__)", ZAV_LIBRARY=str(library.parent))
    assert found.stdout.strip() == zav.__version__, found.stderr
    missing = _python("import zav; zav.Device.simulated()", ZAV_LIBRARY="/nowhere/libzav.so")
    assert "LibraryNotFoundError" in missing.stderr and "/nowhere/libzav.so" in missing.stderr


def test_readme_python_example_runs():
    readme = (ROOT / "README.md").read_text()
    section = readme.split("## Using the library from Python", 1)[1]
    code = re.search(r"```python\n(.*?)```", section, re.S)[1]
    result = _python(code)
    assert result.returncode == 0, result.stderr
    assert re.search(r"EEG \(32, 1280\) mean per channel: \[", result.stdout), result.stdout


def test_pip_installs_the_package_offline_into_a_fresh_environment(tmp_path):
    venv = tmp_path / "venv"
    made = subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)],
                          capture_output=True, text=True, timeout=300)
    python = venv / ("Scripts/python.exe" if os.name == "nt" else "bin/python")
    if made.returncode != 0 or not python.exists():
        pytest.skip("no virtual environment with pip here: " + made.stderr.strip()[-200:])
    # Without an index, a build that needed anything from the network fails.
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env.update(PIP_NO_INDEX="1", PIP_NO_CACHE_DIR="1", PIP_DISABLE_PIP_VERSION_CHECK="1",
               ZAV_LIBRARY=str(Path(os.environ["ZAV_LIBRARY"]).resolve()))
    install = subprocess.run([str(python), "-m", "pip", "install", str(ROOT / "python")], env=env, cwd=tmp_path,
                             capture_output=True, text=True, timeout=300)
    assert install.returncode == 0, install.stdout + install.stderr
    code = "import importlib.metadata as m, zav; print(zav.__file__, zav.__version__ == m.version('zav'))"
    result = subprocess.run([str(python), "-c", code], env=env, cwd=tmp_path, capture_output=True, text=True,
                            timeout=120)
    assert result.returncode == 0, result.stderr
    where, same_version = result.stdout.split()
    assert Path(where).is_relative_to(venv) and same_version == "True"
