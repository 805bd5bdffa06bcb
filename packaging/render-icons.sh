#!/usr/bin/env bash
# The PNG icons beside the SVG ones, rendered from them at 16 to 256 pixels.
#   render-icons.sh          renders them into packaging/icons
#   render-icons.sh --check  fails when a committed PNG differs from a fresh rendering
set -euo pipefail
cd "$(dirname "$0")/icons"
check=${1:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
for icon in veltaro vlt; do
  for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$icon.svg" -o "$tmp/$icon-$size.png"
    if [ "$check" = --check ]; then
      cmp -s "$tmp/$icon-$size.png" "$icon-$size.png" || { echo "render-icons: $icon-$size.png differs from $icon.svg" >&2; status=1; }
    else
      cp "$tmp/$icon-$size.png" "$icon-$size.png"
    fi
  done
done
exit $status
