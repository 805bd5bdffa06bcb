#!/usr/bin/env bash
# Starts the calculator window from a build folder. Without a display it says
# so in one line and points to the command-line calculator.
set -euo pipefail
build=${1:-build/release}
window="$build/ui/veltaro"
calc="$build/cli/veltaro-calc"

has_display() {
  [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
  [ -n "${QT_QPA_PLATFORM:-}" ] && return 0
  [ -n "${DISPLAY:-}" ] || return 1
  # A DISPLAY that names no running server is no display either.
  if command -v xdpyinfo >/dev/null 2>&1; then
    xdpyinfo >/dev/null 2>&1
    return $?
  fi
  local number=${DISPLAY#*:}
  number=${number%%.*}
  [ "${DISPLAY%%:*}" != "" ] || [ -S "/tmp/.X11-unix/X$number" ]
}

if [ ! -x "$window" ]; then
  echo "The window was not built in $build; terms can be calculated with veltaro-calc: $calc --help"
  exit 1
fi

if ! has_display; then
  echo "No display here, so the Veltaro window cannot open; calculate terms on the command line with veltaro-calc ($calc --help)."
  exit 0
fi

exec "$window" "${@:2}"
