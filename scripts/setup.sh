#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, only what is missing.
# Pass "fuzz" to add clang for the fuzz preset.
set -euo pipefail
pkgs=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
      fairymax fonts-dejavu-core)
if [ "${1:-}" = fuzz ]; then pkgs+=(clang libclang-rt-14-dev); fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  install="apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    sh -c "$install"
  elif command -v sudo >/dev/null; then
    sudo sh -c "$install"
  else
    # A Debian system installed with a root password has no sudo.
    echo "Installing ${missing[*]} as root:"
    su root -c "$install"
  fi
fi
