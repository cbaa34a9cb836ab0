#!/usr/bin/env bash
# The built program on a real X display: started a moment before its Xvfb
# answers, the window opens every time (production mode ends after the data
# steps, in it); the X server killed during a run closes the run down with
# the display-lost exit code instead of the toolkit's exit(1).
# Usage: display_check.sh BUILD_DIR [STARTS]
set -uo pipefail
build="$1" starts="${2:-5}" lostExitCode=2
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2> /dev/null; rm -rf "$work"' EXIT
cp -r "$build/Gatewright" "$work/program"
"$build/tools/pkggen/gwr-pkggen" "$work/sim" --cfg 4 --liveries-per-cfg 2 > /dev/null
export XDG_CONFIG_HOME="$work/settings" XDG_RUNTIME_DIR="$work" GWR_PACKAGES="$work/sim" HOME="$work"
log="$work/program/Log.txt" failed=0
# In a sanitizer build, the caches Xlib and fontconfig keep for the life of
# the process are not the program's leaks.
printf 'leak:libX11\nleak:libfontconfig\nleak:libXft\nleak:libfltk\nleak:libxcb\n' > "$work/lsan.supp"
export LSAN_OPTIONS="suppressions=$work/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# A fresh settings file and log, a display number no server uses, the program
# started (with its arguments) and after a moment the server: $program, $server.
start() {
  mkdir -p "$XDG_CONFIG_HOME/Gatewright"
  printf '<root><parameters><parameter name="MSFS_INSTALL_PATH" value="%s" /><parameter name="SCAN_AIRPORTS" value="false" /></parameters></root>\n' \
    "$GWR_PACKAGES" > "$XDG_CONFIG_HOME/Gatewright/parameters.xml"
  rm -f "$work/program/Log"*.txt
  local n=$((100 + RANDOM % 800))
  while [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]]; do n=$((n + 1)); done
  (cd "$work/program" && DISPLAY=":$n" exec timeout 60 ./gatewright "$@") &
  program=$!
  sleep 0.$((RANDOM % 5 + 1))
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
  server=$!
}

for ((i = 1; i <= starts; i++)); do
  start --production
  wait "$program"; status=$?
  kill "$server"; wait "$server" 2> /dev/null
  if [[ $status -ne 0 ]] || grep -q -e "initInstance failed" -e "cannot open display" "$log"; then
    echo "start $i: exit code $status"; cat "$log"; failed=1
  fi
done
[[ $failed -eq 0 ]] && echo "ok: $starts starts on a fresh display each opened the window"

start
for ((w = 0; w < 600; w++)); do grep -q "Waiting for MSFS" "$log" 2> /dev/null && break; sleep 0.1; done
kill -9 "$server"
wait "$program"; status=$?
[[ $status -eq $lostExitCode ]] || { echo "exit code $status after the display went"; failed=1; }
for line in "==> X I/O error: the display is gone" "Exiting: USER CLOSED SIM"; do
  grep -q -- "$line" "$log" || { echo "MISSING: $line"; failed=1; }
done
[[ $failed -eq 0 ]] && echo "ok: the lost display closed the run down" || cat "$log"
exit $failed
