#!/usr/bin/env bash
# The main job: installs what is missing, builds, lays out a simulated QEL installation in a
# temporary folder and starts zevo against it.
#   --seconds N   end after N seconds (default: run until the window is closed or Ctrl-C)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=""
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds="$2"; shift 2 ;;
        *) echo "usage: $0 [--seconds N]" >&2; exit 2 ;;
    esac
done
bash scripts/setup.sh
bash scripts/build.sh

source scripts/sim-installation.sh
root=$(mktemp -d /tmp/zevo-demo-XXXXXX)
peers=()
cleanup() {
    # Everything the demo started ends with it.
    sim_stop "${peers[@]}"
    rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Ports: a free-looking range picked per run, so two demos do not collide.
base=$(( 20000 + (RANDOM % 1500) * 24 ))
sim_lay_out "$root" "$base"
echo "Installation laid out in $root; activity log in $root/logs"

build/sim/qel_service --start --gateway-args "--rate 3" 2>"$root/service.log" &
peers+=($!)
build/sim/qel_statistics 2>"$root/statistics.log" &
peers+=($!)

# The console connects a log page when it sees its gateway start, so let the gateways open
# their ports first (a real gateway is up long before an operator starts the console).
wait_for 10 sim_gateways_listening "$base" || true

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
    # Without a display the window is shown as a picture once the gateways are up.
    export ZEVO_SCREENSHOT="${ZEVO_SCREENSHOT:-$PWD/build/zevo-demo.png}"
    if [ -n "$seconds" ] && [ "$seconds" -le 10 ]; then
        export ZEVO_SCREENSHOT_DELAY_MS=$(( seconds * 1000 * 2 / 3 ))
    fi
    echo "No display: running on the offscreen platform"
fi
if [ -n "$seconds" ]; then
    timeout --signal=TERM "$seconds" build/src/zevo &
else
    build/src/zevo &
fi
zevo=$!
peers+=("$zevo")

# A few FIX traders log on to each FIX market once zevo's log pages are connected, so each of
# those pages shows their logons; they stay, with a heartbeat every 5 seconds, and log on again
# after a gateway restart.
wait_for 15 sim_consoles_connected "$base" 1 2 6 || true
for market in cm fo slbm; do
    fix="$root/fix/qel_fix_$market.cfg"
    for sender in $(sed -n 's/^TargetCompID=//p' "$fix"); do
        build/sim/qel_fix_trader --fix-file "$fix" --sender "$sender" --stay --heartbeat 5 \
            >>"$root/traders.log" 2>&1 &
        peers+=($!)
    done
done

status=0
wait "$zevo" || status=$?
# Ending at the time limit is the expected way out.
[ "$status" -eq 124 ] && status=0
echo "Activity log:"
tail -n 5 "$root"/logs/zevo.*.current.txt 2>/dev/null || true
exit "$status"
