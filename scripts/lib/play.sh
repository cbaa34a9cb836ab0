# The part of scripts/run that uses the RealTraffic ports: the feeder plays
# meanwhile, the program runs in its folder, and its log is printed at the end.
# Usage: play.sh BUILD_DIR FEEDER_ARGUMENT... -- PROGRAM_ARGUMENT...
set -euo pipefail
build="$1"
shift
feed=()
while [[ $# -gt 0 && "$1" != "--" ]]; do
  feed+=("$1")
  shift
done
[[ $# -gt 0 ]] && shift

"$build/tools/feeder/gwr-feeder" "${feed[@]}" > "$build/feeder.log" 2>&1 &
feeder=$!
trap 'kill "$feeder" 2> /dev/null || true' EXIT

cd "$build/Gatewright"
status=0
./gatewright "$@" || status=$?
kill "$feeder" 2> /dev/null || true
wait "$feeder" 2> /dev/null || true
echo "== Log.txt"
cat Log.txt
echo "== the RealTraffic link: $(grep -c ' Qs' "$build/feeder.log" || true) lines from the program in $build/feeder.log"
exit $status
