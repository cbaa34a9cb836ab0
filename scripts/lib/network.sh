# Sourced by scripts/run and the whole-run check: a network of their own for
# the program and the feeder, and who holds the RealTraffic ports when not.

gwr_realTrafficPorts=(49004 49005)
gwr_noOwnNetwork=76  # no network of its own could be made; the command did not run

# gwr_inOwnNetwork COMMAND...: runs COMMAND in a network of its own (loopback
# only), so that a Gatewright or a feed already on this machine's RealTraffic
# ports neither fails the run nor is fed by it, and returns COMMAND's exit code.
gwr_inOwnNetwork() {
  command -v unshare > /dev/null && command -v ip > /dev/null || return $gwr_noOwnNetwork
  local outer flags status
  outer="$(readlink /proc/self/ns/net 2> /dev/null || true)"
  # -r maps the user to root inside when the user is not root already.
  for flags in -n -rn; do
    unshare "$flags" true 2> /dev/null || continue
    status=0
    unshare "$flags" bash -c '
      [[ "$(readlink /proc/self/ns/net 2> /dev/null)" != "$1" ]] && ip link set lo up 2> /dev/null || exit '$gwr_noOwnNetwork'
      shift
      exec "$@"' gwr-own-network "$outer" "$@" || status=$?
    [[ $status -ne $gwr_noOwnNetwork ]] && return $status
  done
  return $gwr_noOwnNetwork
}

# Whether a UDP port is bound here, from the kernel's own table: no tools needed.
gwr_udpPortHeld() {
  local port
  port="$(printf ':%04X' "$1")"
  cat /proc/net/udp /proc/net/udp6 2> /dev/null | awk -v port="$port" \
    'substr($2, length($2) - 4) == port { found = 1 } END { exit !found }'
}

# Reads `ss -lupn` lines and prints the programs bound to UDP port $1 as
# "NAME (PID N)", comma-separated; nothing when none is named.
gwr_namedHolders() {
  awk -v port="$1" '$4 ~ (":" port "$")' | grep -o '"[^"]*",pid=[0-9]*' |
    sed -e 's/^"\(.*\)",pid=\([0-9]*\)$/\1 (PID \2)/' | sort -u | paste -sd, - | sed -e 's/,/, /g'
}

# gwr_portHolders PORT...: a line for each of the UDP ports that is held, with
# every program and PID holding it.
gwr_portHolders() {
  local port holders unnamed="a program that ss -lupn does not name (one of another user is named only to root)"
  for port in "$@"; do
    gwr_udpPortHeld "$port" || continue
    holders=""
    if command -v ss > /dev/null; then holders="$(ss -lupn 2> /dev/null | gwr_namedHolders "$port")"; fi
    echo "UDP $port is held by ${holders:-$unnamed}"
  done
  return 0
}
