#!/usr/bin/env bash
# Runs a Windows program under Wine in the Windows build's own Wine prefix
# (build/windows/wineprefix unless WINEPREFIX is set), without Wine's debug
# output. Debian 12 keeps the 64-bit loader in Wine's library folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
for loader in "${WINE64:-}" /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  if [ -n "$loader" ] && [ -x "$loader" ]; then
    exec "$loader" "$@"
  fi
done
echo "wine-run.sh: no Wine found (install-deps.sh windows installs it)" >&2
exit 127
