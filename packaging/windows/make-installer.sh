#!/usr/bin/env bash
# Builds the Windows installer veltaro-<version>-setup.exe (NSIS,
# amd64-unicode) and a portable veltaro-<version>-windows.zip of the same
# folder, into build/windows/package, from the windows build and the help
# file compiled on this machine.
#   make-installer.sh <windows build folder> <help file>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
help=$2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
out=$build/package
stage=$out/Veltaro
rm -rf "$out"
mkdir -p "$stage"
cp "$build/ui/win32/veltaro.exe" "$build/cli/veltaro-calc.exe" "$help" "$stage/"
cp "$build/ui/win32/glyphs/application.ico" "$out/veltaro.ico"
makensis -V2 -DVERSION="$version" -DSOURCE="$stage" -DICON="$out/veltaro.ico" \
  -DOUTFILE="$out/veltaro-$version-setup.exe" \
  "$root/packaging/windows/veltaro.nsi" >/dev/null
(cd "$out" && python3 -m zipfile -c "veltaro-$version-windows.zip" Veltaro)
echo "$out/veltaro-$version-setup.exe"
echo "$out/veltaro-$version-windows.zip"
