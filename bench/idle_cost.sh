#!/usr/bin/env bash
# Idle cost of zevo: seven gateways at one log message a second and the statistics writer,
# zevo watching them; prints zevo's CPU use in percent of one core over a measured window.
#   bench/idle_cost.sh [--seconds N] [--warm-up N] [--preload N] [--x] [--build DIR]
#     --x        under Xvfb with openbox instead of offscreen
#     --preload  each gateway first sends N log messages in bulk, so every page holds N rows
#                (and N more after each reconnect) before the measured window; the warm-up
#                then lasts until zevo has taken them
#     --warm-up  seconds between zevo's start and the measured window (default 10); some
#                costs fall once the lists hold a few hundred rows
#     --build    the build folder whose zevo and sim programs run (default build)
# Run after scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
warm_up=10
under_x=0
preload=0
build=build
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds="$2"; shift 2 ;;
        --warm-up) warm_up="$2"; shift 2 ;;
        --preload) preload="$2"; shift 2 ;;
        --x) under_x=1; shift ;;
        --build) build="$2"; shift 2 ;;
        *) echo "usage: $0 [--seconds N] [--warm-up N] [--preload N] [--x] [--build DIR]" >&2; exit 2 ;;
    esac
done
if [ "$under_x" -eq 1 ] && [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s '-screen 0 1600x1000x24' bash -c "openbox >/dev/null 2>&1 & sleep 1; $0 --seconds $seconds --warm-up $warm_up --preload $preload --build $build --x"
fi

source scripts/sim-installation.sh
root=$(mktemp -d /tmp/zevo-idle-XXXXXX)
pids=()
cleanup() {
    sim_stop "${pids[@]}"
    rm -rf "$root"
}
trap cleanup EXIT
base=$(( 40000 + (RANDOM % 1000) * 24 ))
sim_lay_out "$root" "$base" "$build"
export XDG_CACHE_HOME="$root/cache"  # the pages' cache files go with the run
"$build"/sim/qel_service --start --gateway-args "--rate 1 --preload $preload" \
    2>"$root/service.log" &
pids+=($!)
"$build"/sim/qel_statistics 2>/dev/null &
pids+=($!)
wait_for 10 sim_gateways_listening "$base" || { echo "gateways did not start" >&2; exit 1; }
[ "$under_x" -eq 1 ] || export QT_QPA_PLATFORM=offscreen
"$build"/src/zevo >/dev/null 2>&1 &
zevo=$!
pids+=($zevo)
sleep "$warm_up"  # start-up and the first connections are not idle time

if [ "$preload" -gt 0 ]; then
    backlogs_sent() { [ "$(grep -c "backlog sent" "$root/service.log")" -ge 7 ]; }
    wait_for 3600 backlogs_sent || { echo "the backlogs were not sent" >&2; exit 1; }
    wait_for 600 process_quiet "$zevo" || { echo "zevo did not take the backlogs" >&2; exit 1; }
    sleep 5
fi
cpu=$(cpu_percent "$zevo" "$seconds")
platform=offscreen
[ "$under_x" -eq 0 ] || platform=xvfb
printf "idle_cpu_percent=%s seconds=%d warm_up=%d preload=%d rss_anon_mb=%.0f platform=%s\n" \
    "$cpu" "$seconds" "$warm_up" "$preload" "$(rss_anon_mb "$zevo")" "$platform"
