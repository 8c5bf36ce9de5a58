#!/usr/bin/env bash
# What `zevo-cli metrics --users` takes on a machine of seven running gateways (the simulated
# installation), beside `zevo-cli users MARKET` for each market one after another, which is
# what asking the gateways in turn takes. Each figure is the median and the longest of ROUNDS
# runs, in milliseconds of wall time; one line:
#
#   gateways=7 rounds=.. metrics_users_ms_median=.. metrics_users_ms_max=.. users_in_turn_ms_median=.. users_in_turn_ms_max=..
#
#   bench/metrics_users.sh [--rounds N] [--build DIR]     (default 20, build)
# Run after scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=20
build=build
while [ $# -gt 0 ]; do
    case "$1" in
        --rounds) rounds="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        *) echo "usage: $0 [--rounds N] [--build DIR]" >&2; exit 2 ;;
    esac
done

source scripts/sim-installation.sh
root=$(mktemp -d /tmp/zevo-metrics-bench-XXXXXX)
pids=()
cleanup() {
    sim_stop "${pids[@]}"
    rm -rf "$root"
}
trap cleanup EXIT
base=$(( 40000 + (RANDOM % 1000) * 24 ))
sim_lay_out "$root" "$base" "$build"
"$build"/sim/qel_service --start --gateway-args "--rate 1" 2>"$root/service.log" &
pids+=($!)
"$build"/sim/qel_statistics 2>/dev/null &
pids+=($!)
wait_for 10 sim_gateways_listening "$base" || { echo "gateways did not start" >&2; exit 1; }
cli="$build/src/zevo-cli"
users_answered() { [ "$("$cli" metrics --users 2>/dev/null | grep -c '^zevo_gateway_users{')" -ge 28 ]; }
wait_for 20 users_answered || { echo "the gateways did not all answer" >&2; exit 1; }

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# stats NAME MS...: NAME_median=.. NAME_max=..
stats() {
    local name="$1"
    shift
    printf "%s\n" "$@" | sort -n | awk -v n="$name" '{v[NR] = $1} END {
        printf "%s_median=%d %s_max=%d", n, v[int((NR + 1) / 2)], n, v[NR] }'
}
together=()
in_turn=()
for _ in $(seq "$rounds"); do
    start=$(now_ms)
    "$cli" metrics --users >/dev/null
    together+=($(( $(now_ms) - start )))
    start=$(now_ms)
    for market in CM FO WDM IPO CD SLBM MF; do
        "$cli" users "$market" >/dev/null
    done
    in_turn+=($(( $(now_ms) - start )))
done
echo "gateways=7 rounds=$rounds $(stats metrics_users_ms "${together[@]}")" \
    "$(stats users_in_turn_ms "${in_turn[@]}")"
