#!/usr/bin/env bash
# Starts the calculator from a build folder: the window where it was built and
# a display is available, otherwise the command-line front end.
set -euo pipefail
build=${1:-build/release}
window="$build/ui/veltaro"
calc="$build/cli/veltaro-calc"

if [ -x "$window" ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
    exec "$window" "${@:2}"
  fi
  echo "No display: the window cannot open here; use $calc for terms on the command line."
  exit 1
fi

echo "The window is not built yet; starting the command-line calculator ($calc)."
echo "Type one term per line; end with Ctrl-D. '$calc --help' lists the options."
exec "$calc" "${@:2}"
