#!/usr/bin/env bash
# The built program on a real X display, as a user starts it: started right
# after its Xvfb, before the server answers, the window opens every time; the
# X server killed during a run ends the program through its closing down with
# the display-lost exit code instead of the toolkit's exit(1).
# Usage: display_check.sh BUILD_DIR [STARTS]
set -euo pipefail
build="$1"
starts="${2:-5}"
lostExitCode=2
limit=60  # seconds one program run may take

work="$(mktemp -d)"
server=""
cleanup() {
  [[ -n "$server" ]] && kill "$server" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cp -r "$build/Gatewright" "$work/program"
"$build/tools/pkggen/gwr-pkggen" "$work/sim" --cfg 4 --liveries-per-cfg 2 > /dev/null
mkdir -p "$work/sim/Official"
export XDG_CONFIG_HOME="$work/settings" XDG_RUNTIME_DIR="$work" GWR_PACKAGES="$work/sim" HOME="$work"
unset GWR_AIRPORT GWR_FEED WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/Gatewright"

freshSettings() {
  printf '<root><parameters><parameter name="MSFS_INSTALL_PATH" value="%s" /><parameter name="SCAN_AIRPORTS" value="false" /></parameters></root>\n' \
    "$GWR_PACKAGES" > "$XDG_CONFIG_HOME/Gatewright/parameters.xml"
  rm -f "$work/program/Log"*.txt
}

# A display number no server uses.
freeDisplay() {
  local n=$((100 + RANDOM % 800))
  while [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]]; do n=$((n + 1)); done
  echo "$n"
}

failed=0
log="$work/program/Log.txt"

# Starts on a display that is only coming up (its server starts a moment after
# the program): production mode ends after the data steps, in the window;
# without one it would say so and exit otherwise.
for ((i = 1; i <= starts; i++)); do
  freshSettings
  n="$(freeDisplay)"
  (cd "$work/program" && DISPLAY=":$n" timeout "$limit" ./gatewright --production) &
  program=$!
  sleep 0.$((RANDOM % 5 + 1))
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
  server=$!
  status=0
  wait "$program" || status=$?
  kill "$server" 2> /dev/null || true
  wait "$server" 2> /dev/null || true
  server=""
  if [[ $status -ne 0 ]] || grep -q -e "initInstance failed" -e "cannot open display" "$log"; then
    echo "start $i: exit code $status"
    cat "$log"
    failed=1
  fi
done
[[ $failed -eq 0 ]] && echo "ok: $starts starts on a fresh display each opened the window"

# The X server goes away during a run.
freshSettings
n="$(freeDisplay)"
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
server=$!
(cd "$work/program" && DISPLAY=":$n" timeout "$limit" ./gatewright) &
program=$!
for ((wait = 0; wait < limit * 10; wait++)); do
  grep -q "Waiting for MSFS" "$log" 2> /dev/null && break
  sleep 0.1
done
kill -9 "$server"
wait "$server" 2> /dev/null || true
server=""
status=0
wait "$program" || status=$?
expect() {
  if grep -q -- "$1" "$log"; then echo "ok: $2"; else echo "MISSING: $2 ($1)"; failed=1; fi
}
if [[ $status -eq $lostExitCode ]]; then
  echo "ok: exit code $lostExitCode"
else
  echo "exit code $status, not $lostExitCode"
  failed=1
fi
expect "==> X I/O error: the display is gone" "the lost display logged"
expect "Exiting: USER CLOSED SIM" "closing down as a close would"
if [[ $failed -ne 0 ]]; then
  echo "== Log.txt"
  cat "$log"
  exit 1
fi
