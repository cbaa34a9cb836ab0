#!/usr/bin/env bash
# The road of scripts/run, shortened: the built program in a copy of its
# folder against a small sample tree whose emulated simulator quits after
# 55 s, with the feeder playing the Frankfurt scenarios meanwhile. The run must
# end by itself with SIM WAS CLOSED after traffic was matched, created and flown.
# The RealTraffic ports (UDP 49004 and 49005) may be held on this machine by
# the program or the feed that the user runs: the check runs in a network of
# its own (loopback only) where the system allows one, and where it does not
# and the ports are held, it names each held port's programs and is skipped.
# Usage: road_check.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
# Given only by this script to itself, inside the network it made.
inside="${3:-}"
skipped=77     # the test's SKIP_RETURN_CODE
source "$source/scripts/lib/network.sh"

if [[ -n "$inside" ]]; then
  echo "the run has a network of its own: the machine's RealTraffic ports are left alone"
else
  status=0
  gwr_inOwnNetwork bash "$0" "$build" "$source" inside || status=$?
  if [[ $status -ne $gwr_noOwnNetwork ]]; then exit $status; fi
  echo "no network of its own could be made (unshare -n, ip): the run shares this machine's ports"
  held="$(gwr_portHolders "${gwr_realTrafficPorts[@]}")"
  if [[ -n "$held" ]]; then
    echo "cannot run: the RealTraffic ports are held by other programs"
    echo "$held"
    exit $skipped
  fi
fi

quitFrame=1650   # 55 s at the emulator's 30 frames a second
limit=120        # seconds the program may take in all

work="$(mktemp -d)"
feeder=""
cleanup() {
  [[ -n "$feeder" ]] && kill "$feeder" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cp -r "$build/Gatewright" "$work/program"
rm -rf "$work/program/output" "$work/program/airports" "$work/program/Log"*.txt
"$build/tools/pkggen/gwr-pkggen" "$work/sim" --cfg 40 --liveries-per-cfg 4 > /dev/null
"$build/tools/bglgen/gwr-bglgen" --sample "$work/sim" --world "$work/sim/world.txt" > /dev/null
cat "$source/tools/feeder/scenarios/eddf_world.txt" >> "$work/sim/world.txt"
echo "at $quitFrame quit" >> "$work/sim/world.txt"

export XDG_CONFIG_HOME="$work/settings" XDG_RUNTIME_DIR="$work" GWR_PACKAGES="$work/sim"
unset GWR_AIRPORT GWR_FEED DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/Gatewright"
# A fixed 40 nm radius: on the ground the automatic one is 10 nm, and in under a
# minute only the arrival, still farther out, is moving.
printf '<root><parameters><parameter name="MSFS_INSTALL_PATH" value="%s" /><parameter name="AUTO_RANGE" value="false" /></parameters></root>\n' \
  "$GWR_PACKAGES" > "$XDG_CONFIG_HOME/Gatewright/parameters.xml"

scenarios="$source/tools/feeder/scenarios"
"$build/tools/feeder/gwr-feeder" --scenario "$scenarios/eddf_departure.txt" \
  --scenario "$scenarios/eddf_arrival.txt" --scenario "$scenarios/eddf_overflight.txt" \
  --qnh 1013 --duration "$limit" > "$work/feeder.log" 2>&1 &
feeder=$!

status=0
(cd "$work/program" && timeout "$limit" ./gatewright) || status=$?
log="$work/program/Log.txt"

failed=0
expect() {
  if grep -q -- "$1" "$log"; then echo "ok: $2"; else echo "MISSING: $2 ($1)"; failed=1; fi
}
[[ $status -eq 124 ]] && { echo "the run did not end by itself within $limit s"; failed=1; }
[[ $status -ne 0 && $status -ne 124 ]] && { echo "exit code $status"; failed=1; }
expect "The park airport is EDDF" "the user's airport with its stand file"
expect "=[0-9]= " "a flight matched to an installed livery"
expect "Emulated simulator: object [0-9]* [A-Z0-9]* created as" "an aircraft created in the simulator"
expect "Emulated simulator: object [0-9]* [A-Z0-9]* flying at" "an aircraft moved in the air"
expect "Exiting: SIM WAS CLOSED" "the end when the simulator quits"
if [[ $failed -ne 0 ]]; then
  echo "== Log.txt"
  cat "$log"
  exit 1
fi
