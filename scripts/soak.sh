#!/usr/bin/env bash
# Soak: the real zevo (offscreen) against a simulated installation for as long as it takes to
# kill and restart gateways RESTARTS times at random, while two gateways flood log messages and
# a helper saves every gateway configuration file in a loop as the dialogs save them.
#   scripts/soak.sh [--restarts N] [--flood MESSAGES_PER_SECOND] [--build DIR]
# (--build: the programs of an existing build folder, which is then neither set up nor built.)
# Reports ZEVO's open descriptors, RSS and threads at the start and at the end and fails unless:
# every restart was followed by that market's version message in zevo's activity log (the
# page connected and took the version, not only tried), at the end every gateway has an
# established connection from zevo on its log port (ss), descriptors and threads end equal to
# the start, RSS ends within 5% of the start, no message box was shown, no configuration file
# was ever missing or partial, and zevo ends within one second of SIGTERM.
set -euo pipefail
cd "$(dirname "$0")/.."
restarts=1000
flood=1000
build=""
arguments=("$@")
while [ $# -gt 0 ]; do
    case "$1" in
        --restarts) restarts="$2"; shift 2 ;;
        --flood) flood="$2"; shift 2 ;;
        --build) build=$(cd "$2" && pwd); shift 2 ;;
        *) echo "usage: $0 [--restarts N] [--flood RATE] [--build DIR]" >&2; exit 2 ;;
    esac
done
# zevo tells a running gateway by its process name, machine-wide: gateways of another
# installation on this machine (another console's demo or test) would hide every restart. The
# soak therefore runs in its own PID namespace, where /proc holds only its own processes.
if [ -z "${ZEVO_SOAK_ISOLATED:-}" ]; then
    if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null; then
        exec unshare --pid --fork --mount-proc env ZEVO_SOAK_ISOLATED=1 bash "$PWD/scripts/soak.sh" "${arguments[@]}"
    fi
    echo "warning: not root, so not isolated; other qel_ip_*.exe processes on this machine will disturb the soak" >&2
fi
if [ -z "$build" ]; then
    bash scripts/setup.sh
    bash scripts/build.sh
    build=build
fi


source scripts/sim-installation.sh
root=$(mktemp -d /tmp/zevo-soak-XXXXXX)
peers=()
zevo_pid=""
saver_pid=""
cleanup() {
    [ -n "$saver_pid" ] && kill -TERM "$saver_pid" 2>/dev/null
    [ -n "$zevo_pid" ] && kill -KILL "$zevo_pid" 2>/dev/null
    sim_stop "${peers[@]}"
    if [ -n "${KEEP_SOAK:-}" ]; then echo "Soak folder kept: $root"; else rm -rf "$root"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

base=$(( 20000 + (RANDOM % 1500) * 24 ))
sim_lay_out "$root" "$base" "$build"
export QT_QPA_PLATFORM=offscreen ZEVO_BOX_JOURNAL="$root/boxes.txt"
: >"$ZEVO_BOX_JOURNAL"

# A gateway killed is started again by the service 1.2 s later: long enough for zevo's status
# thread (one look every 0.5 s) to see it gone, as it would see a real gateway crash.
"$build"/sim/qel_service --start --restart-ended 1200 --gateway-args "--rate 5" \
    --market-args "1:--rate $flood" --market-args "2:--rate $flood" 2>"$root/service.log" &
service_pid=$!
peers+=("$service_pid")
"$build"/sim/qel_statistics 2>"$root/statistics.log" &
peers+=($!)

wait_for 30 sim_gateways_listening "$base" || { echo "gateways did not start" >&2; exit 1; }

"$build"/src/zevo >"$root/zevo.out" 2>&1 &
zevo_pid=$!

markets=(CM FO WDM IPO CD SLBM MF)
# The version each simulated gateway reports, in the order of the markets.
declare -A version=([CM]=10101 [FO]=40902 [WDM]=30903 [IPO]=30904 [CD]=10105 [SLBM]=30906 [MF]=30107)
declare -A attempts
count_attempts() {  # fills attempts[MARKET]: version messages zevo received from that market
    local market
    for market in "${markets[@]}"; do attempts[$market]=0; done
    local counts
    counts=$(cat "$root"/logs/zevo.*.current.txt 2>/dev/null |
             grep -o 'Received market version is [0-9]*' | awk '{print $NF}' | sort | uniq -c)
    for market in "${markets[@]}"; do
        attempts[$market]=$(echo "$counts" | awk -v v="${version[$market]}" '$2 == v {print $1}')
        attempts[$market]=${attempts[$market]:-0}
    done
}
all_connected_once() {
    count_attempts
    local market
    for market in "${markets[@]}"; do [ "${attempts[$market]}" -ge 1 ] || return 1; done
}
wait_for 60 all_connected_once || { echo "zevo did not connect to every gateway" >&2; exit 1; }

# Markets whose log port has no established connection from zevo.
unconnected() {
    local code=0 market port missing=""
    for market in "${markets[@]}"; do
        port=$(( base + 2 * code ))
        code=$(( code + 1 ))
        ss -Htnp state established "( dport = :$port )" 2>/dev/null | grep -q "pid=$zevo_pid," ||
            missing="$missing $market"
    done
    echo "$missing"
}
every_page_connected() { [ -z "$(unconnected)" ]; }

figures() {  # descriptors threads rss_kb
    echo "$(ls /proc/"$zevo_pid"/fd | wc -l) $(awk '/^Threads:/ {print $2}' /proc/"$zevo_pid"/status)" \
        "$(awk '/^VmRSS:/ {print $2}' /proc/"$zevo_pid"/status)"
}
gateway_pid() {  # the service's child running qel_ip_<market>.exe, if any
    local lower child
    lower=$(echo "$1" | tr 'A-Z' 'a-z')
    for child in $(pgrep -P "$service_pid"); do
        if tr '\0' '\n' <"/proc/$child/cmdline" 2>/dev/null | head -1 | grep -q "/qel_ip_${lower}\.exe$"; then
            echo "$child"
            return 0
        fi
    done
    return 1
}

# Settle: the flooded log views fill for a while before the first figures are taken.
sleep 10
read -r fd0 threads0 rss0 < <(figures)
echo "start: descriptors $fd0  threads $threads0  RSS ${rss0} kB"

config_files=("$root"/config/qel_ip_*.cfg "$root"/config/common.cfg)
"$build"/bench/config_saver --seconds 100000 "${config_files[@]}" >"$root/saver.out" 2>&1 &
saver_pid=$!

declare -A pending   # market -> its attempt count when its gateway was killed
killed=0
began=$(date +%s)
while [ "$killed" -lt "$restarts" ] || [ "${#pending[@]}" -gt 0 ]; do
    count_attempts
    for market in "${!pending[@]}"; do
        if [ "${attempts[$market]}" -gt "${pending[$market]}" ]; then
            unset "pending[$market]"
        fi
    done
    if [ $(( $(date +%s) - began )) -gt $(( restarts * 2 + 120 )) ]; then
        echo "restarts stalled: ${!pending[*]} never reconnected" >&2
        exit 1
    fi
    if [ "$killed" -lt "$restarts" ]; then
        market=${markets[$(( RANDOM % ${#markets[@]} ))]}
        # The last two restarts are the flooded gateways', so that at the end, as at the start,
        # their log views hold only what arrived since their connection.
        if [ "$killed" -ge $(( restarts - 2 )) ]; then
            market=${markets[$(( killed - restarts + 2 ))]}
        fi
        if [ -z "${pending[$market]:-}" ] && pid=$(gateway_pid "$market"); then
            pending[$market]=${attempts[$market]}
            kill -KILL "$pid" 2>/dev/null || true
            killed=$(( killed + 1 ))
            (( killed % 100 )) || echo "  $killed gateways killed"
        fi
    fi
    sleep "0.0$(( RANDOM % 10 ))"
done
count_attempts
total=0
for market in "${markets[@]}"; do total=$(( total + attempts[$market] - 1 )); done
echo "restarts: $killed gateways killed, $total version messages after a restart ($(( $(date +%s) - began )) s)"

kill -TERM "$saver_pid"
wait "$saver_pid" && saver_status=0 || saver_status=$?
saver_pid=""
echo "configuration saves: $(cat "$root/saver.out")"

# The same settling time as at the start, with every gateway up again.
all_running() { local m; for m in "${markets[@]}"; do gateway_pid "$m" >/dev/null || return 1; done; }
wait_for 30 all_running || true
sleep 10
wait_for 30 every_page_connected || true
missing=$(unconnected)
read -r fd1 threads1 rss1 < <(figures)
echo "end:   descriptors $fd1  threads $threads1  RSS ${rss1} kB"

t0=$(date +%s%N)
kill -TERM "$zevo_pid"
wait "$zevo_pid" && zevo_status=0 || zevo_status=$?
t1=$(date +%s%N)
zevo_pid=""
exit_ms=$(( (t1 - t0) / 1000000 ))
echo "exit: zevo ended ${exit_ms} ms after SIGTERM with status $zevo_status"

boxes=$(wc -l <"$ZEVO_BOX_JOURNAL")
echo "message boxes: $boxes"

failed=0
check() { if "${@:2}"; then echo "  ok    $1"; else echo "  FAIL  $1"; failed=1; fi; }
echo "verdict:"
check "$restarts gateway restarts" [ "$killed" -eq "$restarts" ]
check "each restart reconnected and took the version" [ "$total" -ge "$killed" ]
check "every gateway connected at the end${missing:+ (not:$missing)}" [ -z "$missing" ]
check "descriptors at the end equal the start" [ "$fd1" -eq "$fd0" ]
check "threads at the end equal the start" [ "$threads1" -eq "$threads0" ]
check "RSS within 5%" [ $(( (rss1 > rss0 ? rss1 - rss0 : rss0 - rss1) * 100 )) -le $(( rss0 * 5 )) ]
check "no message box" [ "$boxes" -eq 0 ]
check "no configuration file missing or partial" [ "$saver_status" -eq 0 ]
check "exit within one second" [ "$exit_ms" -le 1000 -a "$zevo_status" -eq 0 ]
exit "$failed"
