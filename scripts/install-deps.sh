#!/usr/bin/env bash
# Installs the Debian packages zav needs to build and test, when they are missing.
set -euo pipefail

# What building the library and its programs takes; --tests adds what the test suite and
# benchmarks use, --windows the cross compiler and wine.
packages=(cmake ninja-build g++ binutils pkg-config nlohmann-json3-dev libcli11-dev libsystemd-dev libedf-dev)
for option in "$@"; do
  case "$option" in
    --tests)
      packages+=(python3 python3-venv python3-pip libgtest-dev googletest libbenchmark-dev python3-numpy python3-pytest dbus
        python3-dbusmock python3-mne clang libclang-rt-14-dev ccache) ;;
    --windows) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 wine) ;;
    *) echo "usage: install-deps.sh [--tests] [--windows]" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
