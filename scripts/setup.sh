#!/usr/bin/env bash
# Installs what the build, the runner and the tests need on a Debian 12 machine, when missing.
# With --tests also what only the tests drive: the slicer that checks the print files and
# clang-format, which checks the layout of the C++ files.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkg-config python3 clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libmuparser-dev
  libtiff-dev libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core libglu1-mesa-dev
  libtinygltf-dev nlohmann-json3-dev libcli11-dev libcpp-httplib-dev lib3mf-dev
  nodejs npm chromium poppler-utils)
if [ "${1:-}" = "--tests" ]; then packages+=(prusa-slicer clang-format); fi
missing=()
for p in "${packages[@]}"; do
  # Node.js and npm may come from outside Debian's packages; a working command is enough.
  case "$p" in
    nodejs) command -v node >/dev/null 2>&1 && continue ;;
    npm) command -v npm >/dev/null 2>&1 && continue ;;
  esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The viewer's three.js, the glTF validator and the browser driver.
if [ -f package-lock.json ] && [ ! -d node_modules ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
