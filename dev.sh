#!/usr/bin/env bash
# Set-up, build, run and test on a Debian 12 or 13 machine. Safe to run again.
#   ./dev.sh run             installs what is missing, builds and starts vorn
#   ./dev.sh test            installs what is missing, builds and runs every test
#   ./dev.sh deb [FOLDER]    installs what is missing and builds the Debian
#                            package from this tree into FOLDER (build/deb)
#   ./dev.sh test-debian13   the test command again in a fresh Debian 13 root
#                            (debootstrap, as root: see tools/test-debian13.sh)
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev qt6-svg-dev librsvg2-bin
  libfontconfig-dev libfreetype-dev zlib1g-dev
  libgtest-dev libbenchmark-dev
  python3 python3-fonttools unicode-data
  fonts-dejavu-core fonts-noto-core
  xvfb xauth xdotool xclip x11-utils imagemagick python3-xlib
  desktop-file-utils dpkg-dev file lintian appstream groff-base
  debhelper pkgconf devscripts autopkgtest
  clang libclang-rt-dev
  libxkbcommon-dev libxkbcommon-x11-dev libxcb1-dev libxcb-xkb-dev xkb-data libwayland-dev libwayland-bin qt6-base-private-dev
  qt6-wayland sway xwayland wl-clipboard
  libibus-1.0-dev gettext ibus ibus-gtk3 dbus-daemon x11-xkb-utils python3-gi gir1.2-gtk-3.0 gir1.2-ibus-1.0
)

install_packages() {
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# build [CMAKE OPTIONS]: the test command turns warnings into errors.
build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build build -j"$(nproc)"
}

# Every test once more under AddressSanitizer and UndefinedBehaviorSanitizer,
# with LeakSanitizer where the machine lets it stop the process (it needs
# ptrace, which some containers forbid). Any report fails the test it is in.
sanitizer_test() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_SANITIZE=ON -DVORN_BENCH=OFF -DVORN_WERROR=ON
  cmake --build build-asan -j"$(nproc)"
  local leaks=1
  echo 'int main() { return 0; }' | c++ -fsanitize=address -x c++ - -o build-asan/lsan-probe
  if ! ASAN_OPTIONS=detect_leaks=1 build-asan/lsan-probe >/dev/null 2>&1; then
    if [ "${CI:-}" = true ]; then
      echo "LeakSanitizer cannot run here (it needs ptrace): under CI=true that fails the run" >&2
      return 1
    fi
    echo "LeakSanitizer cannot run here; leak checks are off"
    leaks=0
  fi
  # The end-to-end test runs here too: it waits for what it sees, not for a
  # fixed time, and fails when the program does not exit cleanly. The
  # suppressions' path is quoted, or a space in it would split the options.
  ASAN_OPTIONS="detect_leaks=$leaks:halt_on_error=1:detect_stack_use_after_return=1" \
  LSAN_OPTIONS="suppressions=\"$PWD/fuzz/lsan.supp\":print_suppressions=0" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
}

# The Debian package, built from a copy of the tree's files (those git tracks
# or would track, as they are now) so that the build's own files stay out of it.
# dpkg-buildpackage writes the packages beside the copy.
deb() {
  local out source version
  out=$(realpath -m "${1:-build/deb}")
  version=$(dpkg-parsechangelog -S Version)
  source="$out/vorn-$version"
  rm -rf "$source"
  mkdir -p "$source"
  rm -f "$out"/vorn_"$version"_* "$out"/vorn-dbgsym_"$version"_*
  git ls-files -z --cached --others --exclude-standard \
    | xargs -0 -I{} sh -c 'test -e "$1" && printf "%s\0" "$1"' _ {} \
    | tar --null -T - -cf - | tar -xf - -C "$source"
  # ccache where it is installed, but without a base_dir: that makes the
  # compiler see relative paths, which end up in the debugging symbols, and
  # the packages would then differ from those of a build without ccache.
  if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
    unset CCACHE_BASEDIR
  fi
  (cd "$source" && dpkg-checkbuilddeps \
     && DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc)}" dpkg-buildpackage -us -uc -b)
  ls "$out"/*.deb
}

case "${1:-}" in
  deb)
    install_packages
    deb "${2:-}"
    ;;
  run)
    install_packages
    build -DVORN_WERROR=OFF
    exec ./build/app/vorn
    ;;
  test)
    install_packages
    build -DVORN_WERROR=ON
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    sanitizer_test
    # A short fuzz run: the stored corpora replayed, then 30 seconds a target.
    ./fuzz/run_fuzzers.sh 30
    ;;
  test-debian13)
    shift
    exec ./tools/test-debian13.sh "$@"
    ;;
  *)
    echo "usage: $0 run|test|deb [FOLDER]|test-debian13" >&2
    exit 2
    ;;
esac
