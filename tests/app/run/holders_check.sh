#!/usr/bin/env bash
# Who holds the RealTraffic ports, as a skipped whole-run check names them:
# every program and PID of each held port from `ss -lupn`, and a held port
# caught live in a network of its own; and scripts/test's list of skipped
# tests with what each printed.
# Usage: holders_check.sh SOURCE_DIR
set -uo pipefail
source="$1"
source "$source/scripts/lib/network.sh"
failed=0
expectSame() {  # WHAT GOT EXPECTED
  if [[ "$2" != "$3" ]]; then
    printf '%s:\n  got      "%s"\n  expected "%s"\n' "$1" "$2" "$3"
    failed=1
  fi
}

header='State  Recv-Q Send-Q Local Address:Port  Peer Address:PortProcess'
# port | ss -lupn lines | the holders named
rows=(
  '49005|UNCONN 0 0 127.0.0.1:49005 0.0.0.0:* users:(("gatewright",pid=4242,fd=7))|gatewright (PID 4242)'
  '49004|UNCONN 0 0 *:49004 *:* users:(("gwr-feeder",pid=17,fd=3))|gwr-feeder (PID 17)'
  '49005|UNCONN 0 0 0.0.0.0:49005 0.0.0.0:* users:(("a",pid=9,fd=3),("b b",pid=10,fd=3))|a (PID 9), b b (PID 10)'
  '49005|UNCONN 0 0 0.0.0.0:49005 0.0.0.0:* users:(("rt",pid=5,fd=3))\nUNCONN 0 0 [::]:49005 [::]:* users:(("rt",pid=5,fd=4),("gatewright",pid=6,fd=9))|gatewright (PID 6), rt (PID 5)'
  '49005|UNCONN 0 0 0.0.0.0:149005 0.0.0.0:* users:(("other",pid=1,fd=3))\nUNCONN 0 0 0.0.0.0:49004 0.0.0.0:* users:(("qnh",pid=2,fd=3))|'
  '4900|UNCONN 0 0 0.0.0.0:49005 0.0.0.0:* users:(("longer",pid=3,fd=3))|'
  '49005|UNCONN 0 0 0.0.0.0:49005 0.0.0.0:*|'
  '49005||'
)
for row in "${rows[@]}"; do
  IFS='|' read -r port lines expected <<< "$row"
  got="$(printf "%s\n$lines\n" "$header" | gwr_namedHolders "$port")"
  expectSame "holders of $port in: $lines" "$got" "$expected"
done

# Live: a port held in a network of its own is named with its program and PID.
if command -v python3 > /dev/null; then
  status=0
  got="$(gwr_inOwnNetwork bash -c '
    source "$1/scripts/lib/network.sh"
    coproc python3 -c "import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind((\"127.0.0.1\", 49005))
print(\"bound\", flush=True)
time.sleep(60)"
    read -r _ <&"${COPROC[0]}"
    echo "$COPROC_PID"
    gwr_portHolders 49004 49005
    kill "$COPROC_PID"
    ' holders "$source" 2>&1)" || status=$?
  if [[ $status -eq $gwr_noOwnNetwork ]]; then
    echo "no network of its own could be made: the live row is left out"
  else
    pid="$(head -1 <<< "$got")"
    expectSame "a port held live" "$(tail -n +2 <<< "$got")" "UDP 49005 is held by python3 (PID $pid)"
  fi
fi

# scripts/test's list: each skipped test with its lines, the others not at all.
junit="$(mktemp)"
trap 'rm -f "$junit"' EXIT
cat > "$junit" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<testsuite tests="3" skipped="2">
  <testcase name="app_road_check" status="notrun"><skipped message="SKIP_RETURN_CODE=77"/>
    <system-out>cannot run: the RealTraffic ports are held by other programs
UDP 49005 is held by gatewright (PID 4242) &amp; more
</system-out></testcase>
  <testcase name="passing" status="run"><system-out>fine</system-out></testcase>
  <testcase name="silent" status="notrun"><skipped message="SKIP_RETURN_CODE=77"/></testcase>
</testsuite>
XML
expectSame "the skipped tests" "$(python3 "$source/scripts/lib/skipped_tests.py" "$junit")" "skipped: app_road_check
    cannot run: the RealTraffic ports are held by other programs
    UDP 49005 is held by gatewright (PID 4242) & more
skipped: silent
    (it printed nothing)"
exit $failed
