#!/usr/bin/env bash
# Installs the Debian packages zav needs to build and test, when they are missing.
set -euo pipefail

packages=(cmake ninja-build g++ binutils python3 nlohmann-json3-dev libcli11-dev libgtest-dev googletest
  libbenchmark-dev python3-numpy python3-pytest pkg-config libsystemd-dev dbus python3-dbusmock
  libedf-dev python3-mne clang libclang-rt-14-dev)
if [[ "${1:-}" == "--windows" ]]; then
  packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 wine)
fi

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
