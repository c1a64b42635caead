#!/usr/bin/env bash
# Set-up, build, run and test on a Debian 12 machine. Safe to run again.
#   ./dev.sh run    installs what is missing, builds and starts vorn
#   ./dev.sh test   installs what is missing, builds and runs every test
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libfontconfig-dev libfreetype-dev libx11-dev
  libgtest-dev libbenchmark-dev
  python3 python3-fonttools unicode-data
  fonts-dejavu-core fonts-noto-core
  xvfb xauth xdotool xclip x11-utils imagemagick python3-xlib
  desktop-file-utils dpkg-dev file
)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j"$(nproc)"
}

case "${1:-}" in
  run)
    install_packages
    build
    exec ./build/app/vorn
    ;;
  test)
    install_packages
    build
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
