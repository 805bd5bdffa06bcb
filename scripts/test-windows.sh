#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and tests them under Wine
# (with --package it stops once the installer is built):
#   1. installs what is missing (install-deps.sh windows);
#   2. cross-builds the windows preset into build/windows, and on this machine
#      the help file veltaro.chm and the Linux veltaro-calc for comparison;
#      builds the installer and the portable .zip into build/windows/package;
#   3. under one virtual display, in a fresh Wine prefix inside the build
#      folder: the unit tests and the Win32 window's tests, the help topics
#      Wine's viewer opens from the window, pictures of the window at 120 and
#      96 pixels per inch, the installer end to end, veltaro-calc.exe against
#      the Linux program over every term of cli/golden.tsv, and the help
#      support against Wine's own registry, viewer and version resources.
# Prints the versions and release names read, and the time the Wine run took.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/windows
host=$build/host
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all

wine_run() { "$root/scripts/wine-run.sh" "$@"; }
# The Wine server of the prefix (a Unix program beside Wine's loader).
wine_server() {
  local server
  for server in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
    if [ -n "$server" ] && [ -x "$server" ]; then
      "$server" "$@"
      return
    fi
  done
}

# The part that runs under the display: everything that starts Wine.
if [ "${1:-}" = "--under-display" ]; then
  failed=()
  started=$(date +%s)
  wine_server -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  wine_run wineboot --init >/dev/null 2>&1
  # A crashing program ends with its backtrace instead of a dialog that
  # waits for a click.
  wine_run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Windows are not handed to a window manager (the display has none, and
  # Wine would wait for one whenever a window is hidden); the screen has
  # the window design's 120 pixels per inch; the fonts are real ones.
  wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine_run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1
  wine_run reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1
  if [ -d /usr/share/wine/fonts ]; then
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
  wine_server -w
  echo "Wine prefix created in $(( $(date +%s) - started )) s: $WINEPREFIX ($(wine_run --version 2>/dev/null || echo 'Wine'))"

  # The window's test keeps its pictures here (as bitmaps, made PNG below).
  pictures=$build/pictures
  rm -rf "$pictures"
  mkdir -p "$pictures"
  export VELTARO_PICTURE_DIR="Z:${pictures//\//\\}"

  echo "== Unit tests under Wine"
  for t in complex/complex_test engine/engine_test smartconv/smartconv_test ui/core/uicore_test \
           platform/platform_test help/help_test cli/cli_test platform/windows_help_test \
           ui/win32/win32window_test; do
    log=$build/$(basename "$t").wine.log
    t0=$(date +%s)
    run_test() { (cd "$build/$(dirname "$t")" && timeout 900 "$root/scripts/wine-run.sh" "./$(basename "$t").exe") >"$log" 2>&1; }
    # Under load, Wine's own process can abort in the host's loader at exit
    # after the program has reported its tests ("Inconsistency detected by
    # ld.so"); such a run says nothing about the tests and is run once more.
    if run_test || { grep -q 'Inconsistency detected by ld.so' "$log" && ! grep -q '^\[  FAILED  \]' "$log" &&
                     echo "$(basename "$t").exe: Wine aborted at exit; run again" && run_test; }; then
      status=ok
    else
      status=FAILED
      failed+=("$t")
    fi
    summary=$(grep -E '^\[  (PASSED|FAILED|SKIPPED) +\] [0-9]+ tests?' "$log" | tr '\n' ' ')
    printf '%-28s %-6s %3ss  %s\n' "$(basename "$t").exe" "$status" "$(( $(date +%s) - t0 ))" "$summary"
    if [ "$status" = FAILED ]; then grep -E '^\[  FAILED  \]|Failure' "$log" | head -20; fi
  done

  echo "== The window's help through the system's viewer (hhctrl.ocx)"
  # F1 in the entry field and in the grid, the help button and "Support free
  # software": the topic Wine's viewer resolves for each context, in order.
  log=$build/win32window_help.wine.log
  (cd "$build/ui/win32" && WINEDEBUG=trace+htmlhelp timeout 300 "$root/scripts/wine-run.sh" \
      ./win32window_test.exe --gtest_filter='*SystemsViewer*') >"$log" 2>&1 || true
  topics=$(grep -o 'FindContextAlias returning "[^"]*"' "$log" | sed 's/.*returning //; s/"//g' | tr '\n' ' ')
  echo "contexts 20 10 1 999 -> ${topics:-nothing}"
  if [ "$topics" != "/topics/terms.htm /topics/variables.htm /topics/window.htm /topics/support.htm " ] ||
     ! grep -q '^\[       OK \] Win32Window.HelpThroughTheSystemsViewer' "$log" ||
     ! grep -q 'command=HH_CLOSE_ALL' "$log"; then
    grep -E 'Failure|FAILED' -A4 "$log" | head -20
    failed+=("the window's help through hhctrl.ocx")
  fi

  echo "== Pictures of the window at 120 and 96 pixels per inch"
  wine_run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  wine_run reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  if ! (cd "$build/ui/win32" && timeout 120 "$root/scripts/wine-run.sh" ./win32window_test.exe \
          --gtest_filter='*PictureAtTheMonitorsResolution*') >"$build/win32window_96dpi.wine.log" 2>&1; then
    grep -E 'Failure' -A4 "$build/win32window_96dpi.wine.log" | head -20
    failed+=("the window at 96 pixels per inch")
  fi
  wine_run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1
  wine_run reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1
  for bitmap in "$pictures"/*.bmp; do
    [ -e "$bitmap" ] || continue
    python3 "$root/ui/win32/bmp-to-png.py" "$bitmap" "${bitmap%.bmp}.png" && rm "$bitmap"
  done
  ls "$pictures"/*.png 2>/dev/null | sed 's/^/  /'

  echo "== The installer end to end"
  if ! bash "$root/packaging/windows/test-installer.sh" "$(ls "$build"/package/veltaro-*-setup.exe)" \
         "$build/ui/win32/veltaro-probe.exe"; then
    failed+=("the installer")
  fi

  echo "== veltaro-calc.exe and the Linux veltaro-calc over cli/golden.tsv"
  compared=0
  differ=0
  work=$build/golden
  rm -rf "$work"
  mkdir -p "$work"
  grep -v '^#' cli/golden.tsv | cut -f1 | sort -u >"$work/options"
  while IFS= read -r options; do
    awk -F'\t' -v o="$options" '!/^#/ && $1 == o { print $2 }' cli/golden.tsv >"$work/terms"
    # shellcheck disable=SC2086
    "$host/cli/veltaro-calc" $options <"$work/terms" >"$work/linux" || true
    # A CR LF line end of the Windows program is the same line end.
    # shellcheck disable=SC2086
    wine_run "$build/cli/veltaro-calc.exe" $options <"$work/terms" | sed 's/\r$//' >"$work/windows" || true
    compared=$(( compared + $(wc -l <"$work/terms") ))
    if ! diff -u "$work/linux" "$work/windows" >"$work/diff"; then
      differ=$(( differ + 1 ))
      echo "options '$options':"
      cat "$work/diff"
    fi
  done <"$work/options"
  if [ "$differ" -eq 0 ]; then
    echo "$compared terms: identical results lines"
  else
    failed+=("veltaro-calc.exe over golden.tsv")
  fi

  echo "== Help support against Wine's services"
  (cd "$build/platform" && wine_run ./windows_help_test.exe) 2>/dev/null |
    grep -E '^(LocateViewer|LoadViewer|viewer |browser |HtmlHelpA)|veltaro-calc\.exe [0-9]|^(Log File|Operating System|_hh|_ie)' || true

  wine_server -w || true
  echo "Wine run took $(( $(date +%s) - started )) s"
  if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
  fi
  echo "All Windows checks passed."
  exit 0
fi

bash scripts/install-deps.sh windows

echo "== Cross build (build/windows)"
cmake --preset windows >/dev/null
cmake --build --preset windows

echo "== Help file and Linux veltaro-calc on this machine (build/windows/host)"
cmake -S . -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTARO_WITH_UI=OFF -DVELTARO_WITH_BENCH=OFF >/dev/null
cmake --build "$host" -j 2 --target veltaro_helpfile veltaro-calc
# The help file beside the programs that ask the viewer for it.
cp "$host/ui/veltaro.chm" "$build/platform/veltaro.chm"
cp "$host/ui/veltaro.chm" "$build/ui/win32/veltaro.chm"

echo "== Installer and portable .zip (build/windows/package)"
bash packaging/windows/make-installer.sh "$build" "$host/ui/veltaro.chm"
if [ "${1:-}" = "--package" ]; then exit 0; fi

xvfb-run -a --server-args="-screen 0 1280x1024x24" bash "$0" --under-display
