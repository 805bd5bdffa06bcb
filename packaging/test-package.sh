#!/usr/bin/env bash
# make test-package: the Debian package that `make package` built, checked by
# the package and desktop tools, then installed into a fresh Debian 12 root
# (minbase) with apt-get, its dependencies taken from the package alone, and
# used there: the command line from PATH, the window under Xvfb with a .vlt
# file, F1, the start-up tables, the file type and the manual page. The root
# is removed afterwards.
#   test-package.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
pkgdir=$build/package
started=$SECONDS

shopt -s nullglob
debs=("$pkgdir"/veltaro_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] || { echo "test-package: expected one package in $pkgdir, found ${#debs[@]}" >&2; exit 1; }
deb=$(realpath "${debs[0]}")
version=$(dpkg-deb -f "$deb" Version)
echo "== $deb ($(stat -c %s "$deb") bytes)"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

contents=$pkgdir/contents
root=$pkgdir/root
out=$pkgdir/out
cleanup() {
  if [ -d "$root" ]; then
    # mmdebstrap unmounts what it mounted; anything left would keep the
    # removal on this file system only.
    umount -R "$root/proc" "$root/sys" "$root/dev" 2>/dev/null || true
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
rm -rf "$contents" "$out"
mkdir -p "$out"
cleanup

echo "== lintian"
lintian --allow-root --fail-on error -I "$deb" | tee "$pkgdir/lintian.txt"

echo "== contents"
dpkg-deb -x "$deb" "$contents"
desktop-file-validate "$contents"/usr/share/applications/*.desktop
echo "desktop-file-validate: clean"
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
grep -q '<screenshot type="default">' "$contents"/usr/share/metainfo/*.metainfo.xml ||
  { echo "test-package: the metainfo names no screenshot" >&2; exit 1; }
for f in usr/bin/veltaro-calc usr/lib/veltaro/veltaro usr/lib/veltaro/hhctrl.ocx usr/lib/veltaro/veltaro.chm \
  usr/share/man/man1/veltaro.1.gz usr/share/man/man1/veltaro-calc.1.gz \
  usr/share/bash-completion/completions/veltaro-calc usr/share/veltaro/screenshots/veltaro-window.png \
  usr/share/icons/hicolor/scalable/apps/example.kelvara.veltaro.svg \
  usr/share/icons/hicolor/scalable/mimetypes/application-x-veltaro-variable-table.svg; do
  [ -f "$contents/$f" ] || { echo "test-package: $f is not in the package" >&2; exit 1; }
done
for size in 16 32 48 64 128 256; do
  for f in apps/example.kelvara.veltaro.png mimetypes/application-x-veltaro-variable-table.png; do
    png=$contents/usr/share/icons/hicolor/${size}x$size/$f
    [ "$(file -b "$png" | grep -o '[0-9]* x [0-9]*')" = "$size x $size" ] || { echo "test-package: $png is not $size pixels" >&2; exit 1; }
  done
done
if dpkg-deb -c "$deb" | grep -E '(_test|_uitest|bench_|fuzz|corruptchm|chmcheck)'; then
  echo "test-package: test, benchmark or build programs are in the package" >&2
  exit 1
fi
# The completion offers the options, --explain among them, and table files after --table.
completion=$(bash -c 'compopt() { :; }; source "$1"; COMP_WORDS=(veltaro-calc --ex); COMP_CWORD=1; _veltaro_calc
  echo "${COMPREPLY[*]}"' _ "$contents/usr/share/bash-completion/completions/veltaro-calc")
[ "$completion" = "--explain" ] || { echo "test-package: the completion of --ex gave '$completion'" >&2; exit 1; }
# Every option that veltaro-calc --help lists is in its manual page and
# offered by the completion.
options=$("$contents/usr/bin/veltaro-calc" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+|-[a-z]')
manual=$(MANWIDTH=200 man -l "$contents/usr/share/man/man1/veltaro-calc.1.gz" 2>/dev/null | col -b)
offered=$(bash -c 'compopt() { :; }; source "$1"; COMP_WORDS=(veltaro-calc -); COMP_CWORD=1; _veltaro_calc
  echo " ${COMPREPLY[*]} "' _ "$contents/usr/share/bash-completion/completions/veltaro-calc")
for option in $options; do
  grep -qE -- "(^|[ ,])$option([ ,=]|$)" <<<"$manual" || { echo "test-package: $option is not in veltaro-calc(1)" >&2; exit 1; }
  [[ $offered == *" $option "* ]] || { echo "test-package: the completion does not offer $option" >&2; exit 1; }
done
echo "veltaro-calc(1) and the completion have every option of --help:" $options
echo "contents: programs, help, desktop entry, file type, icons, metainfo, manual pages, completion; no tests"

# The title of the help topic that F1 in the entry field shows (context 20).
topic=$(sed -n 's/^IDH_TERMS=//p' helpfile/veltaro.hhp | tr -d '\r')
title=$(sed -n 's:.*<title>\([^<]*\)</title>.*:\1:p' "helpfile/$topic" | head -n 1)
[ -n "$title" ] || { echo "test-package: no title for the help topic $topic" >&2; exit 1; }

echo "== a fresh Debian 12 root"
name=$(basename "$deb")
tools=(xvfb xdotool xdg-utils libfile-mimeinfo-perl desktop-file-utils shared-mime-info man-db)
in_root='chroot "$1" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive'
mmdebstrap --variant=minbase --mode=root --quiet bookworm "$root" \
  --customize-hook='mkdir -p "$1/tmp/veltaro-test"' \
  --customize-hook="copy-in $deb packaging/test-in-root.sh /tmp/veltaro-test" \
  --customize-hook="$in_root sh -c 'cd /tmp/veltaro-test && apt-get install -y -q --no-install-recommends ./$name'" \
  --customize-hook="$in_root bash /tmp/veltaro-test/test-in-root.sh command $version" \
  --customize-hook="$in_root apt-get install -y -q --no-install-recommends ${tools[*]}" \
  --customize-hook="$in_root sh -c 'cd /tmp/veltaro-test && apt-get install -y -q --no-install-recommends --reinstall ./$name'" \
  --customize-hook="$in_root bash /tmp/veltaro-test/test-in-root.sh desktop $version '$title'" \
  --customize-hook="sync-out /tmp/veltaro-test/out $out" ||
  { status=$?; [ -d "$root/tmp/veltaro-test/out" ] && cp -r "$root/tmp/veltaro-test/out/." "$out/" 2>/dev/null; echo "test-package: FAILED in the fresh root (logs in $out)" >&2; exit $status; }

# The installed window opened from x.vlt, for a person to look at.
eval "$(cat "$out/opened.geometry")"
python3 packaging/xwd-to-png.py "$out/opened.xwd" "$pkgdir/installed-window.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
python3 packaging/xwd-to-png.py "$out/help.xwd" "$pkgdir/installed-help.png"
rm -f "$out"/*.xwd "$out/Xvfb_screen0"
echo "pictures: $pkgdir/installed-window.png, $pkgdir/installed-help.png"
cleanup
echo "test-package: passed in $((SECONDS - started)) s (the root removed)"
