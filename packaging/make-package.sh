#!/usr/bin/env bash
# make package: the Debian package veltaro_<version>_amd64.deb of a built
# release tree, with CPack's DEB generator; dependencies by dpkg-shlibdeps.
#   make-package.sh [BUILD_DIR]   (default build/release; the package lands in BUILD_DIR/package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

# Everything the package installs is built with the rest of the tree.
cmake --build "$build"
# The metainfo screenshot: the window with some results, as the picture
# test saves it in ui/pictures.
QT_QPA_PLATFORM=offscreen "$build/ui/window_test" --gtest_filter='Pictures.*' --gtest_brief=1
[ -s "$build/ui/pictures/window-results.png" ] || { echo "make-package: no window picture" >&2; exit 1; }

rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$PWD/package")
deb=$(ls "$build"/package/veltaro_*_amd64.deb)
# The picture to publish at the metainfo's screenshot address.
cp "$build/ui/pictures/window-results.png" "$build/package/veltaro-window.png"
echo "package: $deb ($(stat -c %s "$deb") bytes)"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
