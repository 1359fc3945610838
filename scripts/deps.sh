#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# asking apt only when something is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config ccache clang clang-format
  qt6-base-dev qt6-charts-dev qt6-serialport-dev libgl-dev libglx-dev libegl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev sqlite3
  libdbd-xbase-perl xvfb xauth xdotool x11-utils fonts-liberation poppler-utils
  python3 dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y "${missing[@]}"
