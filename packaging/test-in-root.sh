#!/usr/bin/env bash
# The checks of the installed package, run inside the fresh Debian root by
# test-package.sh.
#   test-in-root.sh command VERSION        right after the package alone is installed
#   test-in-root.sh desktop VERSION TITLE  after the desktop tools and Xvfb are added;
#                                          TITLE is the title of the help topic of the entry field
# Results, logs and a screen dump go to /tmp/veltaro-test/out.
set -euo pipefail

mode=$1
version=$2
out=/tmp/veltaro-test/out
mkdir -p "$out"

fail() {
  echo "test-package: FAILED: $*" >&2
  exit 1
}
ok() { echo "test-package: ok: $*"; }

# The design size of the window and where two of its buttons lie in it;
# the window grows from it by one factor (see ui/MainLayout.cpp).
design_width=654
save_button=(353 328)
entry_field=(168 51)

check_command() {
  [ "$(command -v veltaro-calc)" = /usr/bin/veltaro-calc ] || fail "veltaro-calc is not /usr/bin/veltaro-calc on PATH"
  local got
  got=$(veltaro-calc --version)
  [ "$got" = "veltaro-calc $version" ] || fail "veltaro-calc --version gave '$got'"
  ok "veltaro-calc --version: $got"
  got=$(veltaro-calc 'sqrt(-4)')
  [ "$got" = "Result: 2*i" ] || fail "veltaro-calc 'sqrt(-4)' gave '$got'"
  ok "veltaro-calc 'sqrt(-4)': $got"
  [ "$(readlink -f /usr/bin/veltaro)" = /usr/lib/veltaro/veltaro ] || fail "/usr/bin/veltaro does not lead to /usr/lib/veltaro/veltaro"
  for f in hhctrl.ocx veltaro.chm; do
    [ -f /usr/lib/veltaro/$f ] || fail "/usr/lib/veltaro/$f is missing"
  done
  ok "bin/veltaro leads to /usr/lib/veltaro/veltaro, beside it hhctrl.ocx and veltaro.chm"
}

# --- the desktop checks ---------------------------------------------------

user=tester
home=/home/$user
display=
xvfb_pid=
program_pid=
window=

stop_program() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=
window=
  fi
}

cleanup() {
  stop_program
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}

as_user() { runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$display" "$@"; }

# The table file of the given variables, as the program writes it:
# table LABEL REAL IMAGINARY COMMENT ...
table() {
  printf 'Veltaro Variable table\r\n%d\r\n' $(($# / 4))
  while [ $# -ge 4 ]; do
    printf '%s\r\n%s\r\n%s\r\n%s\r\n' "$1" "$2" "$3" "$4"
    shift 4
  done
}

# Waits up to SECONDS (default 30) for a visible window whose name matches
# the pattern and prints its id; prints nothing when none came.
find_window() {
  timeout "${2:-30}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true
}
wait_window() {
  local id
  id=$(find_window "$1")
  [ -n "$id" ] || fail "no window named '$1' appeared"
  echo "$id"
}

# Clicks at a point of the window given in design pixels.
click_design() {
  local window=$1 x=$2 y=$3 width
  width=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p')
  xdotool mousemove --window "$window" $((x * width / design_width)) $((y * width / design_width)) click 1
}

# Starts the window as the user with the given command line (and
# environment), waits for it, saves its table through the Save button and
# the save dialog as NAME.vlt, and compares that with the table expected.
# Leaves the program running; its window is in $window.
start_and_save() {
  local name=$1 expected=$2
  shift 2
  rm -f "$home/$name.vlt"
  as_user "$@" >"$out/$name.log" 2>&1 &
  program_pid=$!
  local dialog
  window=$(wait_window '^Veltaro$')
  sleep 1  # the first showing has loaded the table by now
  # The screen as it is now, for a person to look at.
  cp "$out/Xvfb_screen0" "$out/$name.xwd"
  xdotool getwindowgeometry --shell "$window" >"$out/$name.geometry"
  # A click that arrives before the window takes input is tried again.
  dialog=
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$window"
    click_design "$window" "${save_button[@]}"
    dialog=$(find_window '^Save As' 10)
    [ -n "$dialog" ] && break
  done
  [ -n "$dialog" ] || fail "$name: the Save button opened no save dialog"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 10 "$home/$name"
  xdotool key Return
  for _ in $(seq 50); do
    [ -s "$home/$name.vlt" ] && break
    sleep 0.2
  done
  [ -f "$home/$name.vlt" ] || fail "$name: the save dialog wrote no $home/$name.vlt"
  cmp -s "$home/$name.vlt" "$expected" || fail "$name: the grid did not show $expected (saved: $(od -c "$home/$name.vlt" | head -n 5))"
}

check_desktop() {
  local title=$1
  trap cleanup EXIT

  [ "$(man -w veltaro-calc)" = /usr/share/man/man1/veltaro-calc.1.gz ] || fail "man -w veltaro-calc gave '$(man -w veltaro-calc 2>&1)'"
  [ "$(man -w veltaro)" = /usr/share/man/man1/veltaro.1.gz ] || fail "man -w veltaro gave '$(man -w veltaro 2>&1)'"
  ok "man -w veltaro-calc: $(man -w veltaro-calc)"

  useradd --create-home --shell /bin/bash "$user"
  local work=$home/work
  mkdir -p "$work"
  table x 2.5 0 length z 1 -2 "" >"$work/x.vlt"
  cp "$work/x.vlt" "$work/no-extension"
  chown -R "$user:" "$work"

  local type app
  type=$(as_user xdg-mime query filetype "$work/x.vlt")
  [ "$type" = application/x-veltaro-variable-table ] || fail "xdg-mime query filetype x.vlt gave '$type'"
  ok "xdg-mime query filetype x.vlt: $type"
  type=$(as_user xdg-mime query filetype "$work/no-extension")
  [ "$type" = application/x-veltaro-variable-table ] || fail "a table without .vlt is '$type', not found by its header"
  ok "a table named without .vlt is found by its header line: $type"
  app=$(as_user xdg-mime query default application/x-veltaro-variable-table)
  [ "$app" = example.kelvara.veltaro.desktop ] || fail "xdg-mime query default gave '$app'"
  ok "xdg-mime query default application/x-veltaro-variable-table: $app"

  # The server picks a free display (the host's servers are seen from here
  # too) and writes its number once it takes clients.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -fbdir "$out" 3>"$out/display" >"$out/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 300); do
    [ -s "$out/display" ] && break
    sleep 0.2
  done
  [ -s "$out/display" ] || fail "Xvfb did not start: $(cat "$out/xvfb.log")"
  display=:$(head -n 1 "$out/display")
  export DISPLAY=$display
  xdotool getmouselocation >/dev/null || fail "no connection to Xvfb on $display"

  # Opened as the file manager opens a .vlt file: the desktop entry's
  # command with the file for %f, and the help log switched on.
  local exec_line
  exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/example.kelvara.veltaro.desktop)
  local -a command
  read -r -a command <<<"${exec_line/\%f/$work/x.vlt}"
  rm -f /tmp/HHDebug.txt
  start_and_save opened "$work/x.vlt" "${command[@]}" -debug
  ok "the desktop entry's command ($exec_line) opens x.vlt and the grid shows its table"

  local help=
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$window"
    click_design "$window" "${entry_field[@]}"
    sleep 0.5
    xdotool key F1
    help=$(find_window "^$title" 10)
    [ -n "$help" ] && break
  done
  [ -n "$help" ] || fail "F1 in the entry field showed no window named '$title'"
  cp "$out/Xvfb_screen0" "$out/help.xwd"
  ok "F1 in the entry field shows the topic '$title'"
  local log=/tmp/HHDebug.txt
  [ -f "$log" ] || fail "no help log $log (the program folder is not writable for the user)"
  grep -q "_ModuleDir =        	/usr/lib/veltaro" "$log" || fail "the help log names another program folder"
  grep -q "_hhInstalled =      	YES" "$log" || fail "the help viewer library was not loaded"
  grep -A2 -F 'HHHelpContext("/usr/lib/veltaro/veltaro.chm", 20, "", 0)' "$log" | grep -q "returned - 0" ||
    fail "the help log shows no successful call for topic 20 of /usr/lib/veltaro/veltaro.chm"
  cp "$log" "$out/HHDebug.txt"
  ok "the help log: viewer loaded from /usr/lib/veltaro, context 20 of /usr/lib/veltaro/veltaro.chm shown"
  stop_program

  # No argument: default.vlt in the user's data folder.
  mkdir -p "$home/.local/share/veltaro"
  table q 4 0 four r 0 1 "imaginary unit" >"$home/.local/share/veltaro/default.vlt"
  chown -R "$user:" "$home/.local"
  start_and_save default "$home/.local/share/veltaro/default.vlt" veltaro
  stop_program
  ok "without an argument the window loads ~/.local/share/veltaro/default.vlt"

  # No argument, XDG_DATA_HOME set: default.vlt there.
  mkdir -p "$home/data/veltaro"
  table w -1.5 0 "" >"$home/data/veltaro/default.vlt"
  chown -R "$user:" "$home/data"
  start_and_save xdg "$home/data/veltaro/default.vlt" env XDG_DATA_HOME="$home/data" veltaro
  stop_program
  ok "with XDG_DATA_HOME set the window loads \$XDG_DATA_HOME/veltaro/default.vlt"

  # default.vlt beside the real program file comes first: started through
  # the link in /usr/bin, the program still looks in /usr/lib/veltaro.
  table p 3 4 "beside the program" >/usr/lib/veltaro/default.vlt
  start_and_save beside /usr/lib/veltaro/default.vlt veltaro
  stop_program
  rm /usr/lib/veltaro/default.vlt
  ok "started as /usr/bin/veltaro the window loads /usr/lib/veltaro/default.vlt before the user's"
}

case $mode in
  command) check_command ;;
  desktop) check_desktop "$3" ;;
  *) fail "unknown mode $mode" ;;
esac
