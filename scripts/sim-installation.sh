# Sourced by the scripts that run zevo against a simulated installation (demo, soak, idle
# cost): lays one out, tells when its gateways listen, waits on a condition and stops what ran.

# sim_lay_out ROOT BASE_PORT [BUILD]: all seven markets (FIX for CM, FO and SLBM) in ROOT on the 21
# ports from BASE_PORT (the FIX engines on the last seven), laid out by BUILD's qel_layout (default build), and the environment that points
# zevo and the peers at it.
sim_lay_out() {
    "${3:-build}"/sim/qel_layout --dir "$1" --markets all --fix CM,FO,SLBM --base-port "$2" >/dev/null
    mkdir -p "$1/run" && chmod 700 "$1/run"
    export QEL_IP_REGISTRY="$1/qel_ip.reg" QEL_IP_SERVICE_DIR="$1/run" XDG_RUNTIME_DIR="$1/run"
}

# sim_gateways_listening BASE_PORT: whether all 14 gateway ports from BASE_PORT listen.
sim_gateways_listening() {
    local n
    n=$(ss -ltn 2>/dev/null | awk -v lo="$1" -v hi="$(($1 + 14))" \
        '{n = split($4, a, ":"); p = a[n] + 0} p >= lo && p < hi {c++} END {print c + 0}')
    [ "$n" -ge 14 ]
}

# sim_consoles_connected BASE_PORT MARKET...: whether a console holds a connection to the log
# port of each market (codes 1..7).
sim_consoles_connected() {
    local base="$1" market
    shift
    for market in "$@"; do
        ss -Htn state established "( sport = :$((base + 2 * (market - 1))) )" 2>/dev/null |
            grep -q . || return 1
    done
}

# sim_stop PID...: asks each program to end (SIGTERM), then waits for all of them. The service
# ends its gateways itself.
sim_stop() {
    local pid
    for pid in "$@"; do kill -TERM "$pid" 2>/dev/null || true; done
    for pid in "$@"; do wait "$pid" 2>/dev/null || true; done
}

# wait_for SECONDS COMMAND...: polls COMMAND every 0.1 s until it succeeds; fails after SECONDS.
wait_for() {
    local deadline=$(($(date +%s) + $1))
    shift
    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# cpu_percent PID SECONDS: the process's CPU use over the next SECONDS, in percent of one core.
cpu_percent() {
    local start end
    start=$(awk '{print $14 + $15}' "/proc/$1/stat")
    sleep "$2"
    end=$(awk '{print $14 + $15}' "/proc/$1/stat")
    awk -v t=$((end - start)) -v hz="$(getconf CLK_TCK)" -v s="$2" \
        'BEGIN { printf "%.2f", 100 * t / hz / s }'
}

# process_quiet PID: whether the process takes less than a tenth of a core over the next second.
process_quiet() { [ "$(cpu_percent "$1" 1 | cut -d. -f1)" -lt 10 ]; }

# rss_anon_mb PID: the process's resident anonymous memory in MB.
rss_anon_mb() { awk '/^RssAnon:/ {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
