#!/usr/bin/env bash
# A week on the desk in a few minutes: the real zevo watching a simulated installation while
# the FO gateway sends a backlog of N log messages in bulk, then 10 a second. Prints zevo's
# resident anonymous memory (RssAnon) before the flood, after it, and after the FO page was
# emptied by a reconnect (the gateway restarted with zevo-cli), and zevo's CPU use at 10
# messages a second with the rows held:
#
#   rows=N rss_before_mb=.. rss_flooded_mb=.. rss_emptied_mb=.. cache_file_mb=..
#   cpu_percent_held=.. flood_seconds=..
#
#   bench/page_memory.sh [--rows N] [--build DIR]     (default 30000000, build)
# Run after scripts/build.sh. The rows beyond the newest million go to zevo's cache file in
# $XDG_CACHE_HOME/zevo (here a folder of the run), so the disk needs 14 bytes a row.
set -euo pipefail
cd "$(dirname "$0")/.."
rows=30000000
build=build
while [ $# -gt 0 ]; do
    case "$1" in
        --rows) rows="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        *) echo "usage: $0 [--rows N] [--build DIR]" >&2; exit 2 ;;
    esac
done

source scripts/sim-installation.sh
root=$(mktemp -d /tmp/zevo-memory-XXXXXX)
pids=()
cleanup() {
    sim_stop "${pids[@]}"
    rm -rf "$root"
}
trap cleanup EXIT
base=$(( 40000 + (RANDOM % 1000) * 16 ))
sim_lay_out "$root" "$base" "$build"
export XDG_CACHE_HOME="$root/cache"
delay=15
"$build"/sim/qel_service --start --gateway-args "--rate 1" \
    --market-args "2:--rate 10 --preload $rows --preload-delay $delay" 2>"$root/service.log" &
pids+=($!)
wait_for 10 sim_gateways_listening "$base" || { echo "gateways did not start" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen "$build"/src/zevo >/dev/null 2>&1 &
zevo=$!
pids+=($zevo)

backlog_sent() { grep -q "backlog sent" "$root/service.log"; }

sleep $((delay - 3))
before=$(rss_anon_mb "$zevo")
start=$(( $(date +%s) + 3 ))
wait_for 3600 backlog_sent || { echo "the backlog was not sent" >&2; exit 1; }
wait_for 600 process_quiet "$zevo" || { echo "zevo did not take the backlog" >&2; exit 1; }
flood_seconds=$(( $(date +%s) - start ))
flooded=$(rss_anon_mb "$zevo")
# The cache file (unlinked) that holds the rows beyond the newest million.
cache_file_mb=0
for fd in /proc/"$zevo"/fd/*; do
    case "$(readlink "$fd")" in
        "$XDG_CACHE_HOME"/*) cache_file_mb=$(stat -L -c %s "$fd" | awk '{printf "%.0f", $1 / 1048576}') ;;
    esac
done
held_cpu=$(cpu_percent "$zevo" 30)
# A restart of the FO gateway: the page connects again and empties its list, before the new
# process's backlog starts.
"$build"/src/zevo-cli restart FO >/dev/null
wait_for 10 grep -q "restarting" "$root/service.log"
sleep 6
emptied=$(rss_anon_mb "$zevo")
echo "rows=$rows rss_before_mb=$before rss_flooded_mb=$flooded rss_emptied_mb=$emptied" \
     "cache_file_mb=$cache_file_mb cpu_percent_held=$held_cpu flood_seconds=$flood_seconds"
