#!/usr/bin/env bash
# The road of scripts/run, shortened: the built program in a copy of its
# folder against a small sample tree whose emulated simulator quits after
# 55 s, with the feeder playing the Frankfurt scenarios meanwhile. The run must
# end by itself with SIM WAS CLOSED after traffic was matched, created and flown.
# The RealTraffic ports (UDP 49004 and 49005) may be held on this machine by
# the program or the feed that the user runs: the check runs in a network of
# its own (loopback only) where the system allows one, and where it does not
# and the ports are held, it says so and is skipped.
# Usage: road_check.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
# Given only by this script to itself, inside the network it made: the network
# it came from, which the one it runs in must differ from.
outerNetwork="${3:-}"
skipped=77     # the test's SKIP_RETURN_CODE
noLoopback=76  # inside: the own network's loopback would not come up

ownNetwork() { readlink /proc/self/ns/net 2> /dev/null || true; }

# Whether a UDP port is bound here, from the kernel's own table: no tools needed.
udpPortHeld() {
  local port
  port="$(printf ':%04X' "$1")"
  cat /proc/net/udp /proc/net/udp6 2> /dev/null | awk -v port="$port" \
    'substr($2, length($2) - 4) == port { found = 1 } END { exit !found }'
}

if [[ -n "$outerNetwork" ]]; then
  if [[ "$(ownNetwork)" == "$outerNetwork" ]] || ! ip link set lo up 2> /dev/null; then
    exit $noLoopback
  fi
  echo "the run has a network of its own: the machine's RealTraffic ports are left alone"
else
  if command -v unshare > /dev/null && command -v ip > /dev/null; then
    # -r maps the user to root inside when the user is not root already.
    for flags in -n -rn; do
      if unshare "$flags" true 2> /dev/null; then
        status=0
        unshare "$flags" bash "$0" "$build" "$source" "$(ownNetwork)" || status=$?
        if [[ $status -ne $noLoopback ]]; then exit $status; fi
      fi
    done
  fi
  echo "no network of its own could be made (unshare -n, ip): the run shares this machine's ports"
  for port in 49004 49005; do
    if udpPortHeld $port; then
      echo "cannot run: the RealTraffic port UDP $port is held by another program"
      exit $skipped
    fi
  done
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
