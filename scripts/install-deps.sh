#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only packages that are missing are installed; a machine that has them all
# is left alone, so the script is cheap to call before every build.
#
#   install-deps.sh           what the Linux build, run and tests need
#   install-deps.sh windows   what the Windows cross build and its run under
#                             Wine need
#   install-deps.sh package   what building the Debian package and testing
#                             it in a fresh Debian root need
set -euo pipefail

case "${1:-}" in
  "")
    packages=(
      g++ cmake ninja-build make
      libgtest-dev libgmock-dev libbenchmark-dev libmpfr-dev libmpc-dev libedit-dev
      qt6-base-dev qt6-svg-dev
      libmspack-dev fp-utils-3.2.2 mount
      clang libclang-rt-14-dev  # the help-file fuzzer
      fonts-dejavu-core xvfb xauth x11-utils locales
      dbus-daemon dbus-bin at-spi2-core  # the window's events on a private accessibility bus
    )
    ;;
  windows)
    # googletest brings the test framework's sources, built by the cross
    # compiler; Wine runs the result; Xvfb gives Wine's windows a display;
    # the help file is compiled on this machine with the Linux tools; the
    # window's pictures are drawn from their SVG sources by rsvg-convert and
    # packed into icons by python3; fonts-wine gives Wine real fonts; NSIS
    # builds the installer, xdotool types into the installed program.
    packages=(
      cmake ninja-build make
      g++-mingw-w64-x86-64 googletest
      wine wine64 xvfb xauth fonts-wine
      g++ libgtest-dev libmspack-dev fp-utils-3.2.2 mount
      librsvg2-bin python3 nsis xdotool
    )
    ;;
  package)
    # dpkg-shlibdeps computes the dependencies; lintian, the desktop-entry
    # and AppStream validators check the package; mmdebstrap makes the
    # fresh root; rsvg-convert checks the icons against their SVG sources.
    packages=(
      dpkg-dev lintian desktop-file-utils appstream mmdebstrap
      librsvg2-bin file python3 mount man-db bsdextrautils
    )
    ;;
  *)
    echo "usage: install-deps.sh [windows|package]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
