#!/usr/bin/env bash
# The installer end to end under Wine, in the Wine prefix of WINEPREFIX and
# on the display of DISPLAY: a silent per-user install; the files, the
# Start menu entry and the registry entries; the installed program started
# with a .vlt file, a term typed and a grid cell edited with xdotool, the
# results read back from the window, F1 in the entry field and the help
# topic it opens, closing; then a silent uninstall that removes all of it
# and leaves the user's table alone.
#   test-installer.sh <setup.exe> <veltaro-probe.exe>
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=$1
probe=$2
wine_run() { timeout "${WINE_TIMEOUT:-120}" "$root/scripts/wine-run.sh" "$@"; }
wine_wait() {
  local server
  for server in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
    if [ -n "$server" ] && [ -x "$server" ]; then timeout 120 "$server" -w; return; fi
  done
}
failures=0
check() {  # check <what> <command...>
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "  ok    $what"; else echo "  FAIL  $what"; failures=$((failures + 1)); fi
}
absent() { ! "$@"; }
# The results list of the running window (the program writes CR LF).
results_hold() { wine_run "$probe" results | tr -d '\r' | grep -qx "$1"; }

user=$(wine_run cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')
home=$WINEPREFIX/drive_c/users/$user
folder=$home/AppData/Local/Programs/Veltaro
shortcut=$home/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Veltaro.lnk
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Veltaro'

echo "Install: $(basename "$setup") /S"
wine_run "$setup" /S
wine_wait
check "veltaro.exe, veltaro-calc.exe, veltaro.chm in %LOCALAPPDATA%\\Programs\\Veltaro" \
  test -f "$folder/veltaro.exe" -a -f "$folder/veltaro-calc.exe" -a -f "$folder/veltaro.chm" -a -f "$folder/uninstall.exe"
check "Start menu entry" test -f "$shortcut"
check "Add/Remove Programs entry" wine_run reg query "$key" /v DisplayName
for value in DisplayVersion Publisher DisplayIcon UninstallString; do
  check "  with $value" wine_run reg query "$key" /v "$value"
done
check ".vlt opens in Veltaro" bash -c "'$root/scripts/wine-run.sh' reg query 'HKCU\\Software\\Classes\\Veltaro.VariableTable\\shell\\open\\command' | grep -qi 'veltaro.exe'"

echo "The installed program with a table given on its command line"
table=$home/table.vlt
printf 'Veltaro Variable table\r\n1\r\na\r\n5\r\n0\r\nthe start\r\n' >"$table"
log=$(mktemp)
(cd "$folder" && WINEDEBUG=trace+htmlhelp timeout 120 "$root/scripts/wine-run.sh" ./veltaro.exe 'C:\users\'"$user"'\table.vlt' 2>"$log") &
program=$!
check "the window opens" wine_run "$probe" wait
window=$(xdotool search --sync --limit 1 --name '^Veltaro$' 2>/dev/null | head -1)
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 1
xdotool type --delay 30 'a*2'
xdotool key Return
sleep 1
check "a term typed and Enter: Result: 10" results_hold 'Result: 10'
# Tab to the grid (entry field, two buttons, the checked radio button, the
# check box, the results), type a new value into the current cell, Enter;
# back to the entry field and calculate again.
xdotool key --delay 80 Tab Tab Tab Tab Tab Tab
xdotool type --delay 30 '7'
xdotool key Return
xdotool key --delay 80 shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
xdotool key Return
sleep 1
check "a grid cell edited: Result: 14" results_hold 'Result: 14'
xdotool key F1
sleep 2
check "F1 in the entry field opens the terms topic" grep -q 'FindContextAlias returning "/topics/terms.htm"' "$log"
check "the window closes (its help window with it)" wine_run "$probe" close
wait "$program" 2>/dev/null
check "the help window was closed" grep -q 'command=HH_CLOSE_ALL' "$log"
rm -f "$log"

echo "Uninstall: uninstall.exe /S"
wine_run "$folder/uninstall.exe" /S
# The uninstaller copies itself away and returns before it is done.
sleep 2
wine_wait
check "the program's files are gone" absent test -e "$folder/veltaro.exe"
check "the folder is gone" absent test -e "$folder"
check "the Start menu entry is gone" absent test -e "$shortcut"
check "the Add/Remove Programs entry is gone" absent wine_run reg query "$key"
check "the file type is gone" absent wine_run reg query 'HKCU\Software\Classes\.vlt'
check "the user's table stays" test -f "$table"
exit $((failures > 0))
