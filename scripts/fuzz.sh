#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-fuzz/ and runs each for the given number of seconds over its seed corpus in
# fuzz/corpus/<target>/. Prints per target: executions per second, coverage (cov/ft from
# libFuzzer's final statistics), crashes and sanitizer reports. Fails when any target crashed
# or reported.
#   scripts/fuzz.sh [seconds-per-target]     (FUZZ_JOBS=2 runs two targets at a time)
# New inputs found go to build-fuzz/corpus/<target>/, crashing inputs and logs to
# build-fuzz/artifacts/<target>/; the seed corpus in the repository is only read.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
jobs="${FUZZ_JOBS:-1}"

bash scripts/setup.sh clang libclang-rt-dev

CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja -DZEVO_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz --parallel "$(( $(nproc) < 2 ? $(nproc) : 2 ))"

# The file targets rewrite files with a flush to disk at every input; a memory-backed
# temporary folder keeps them fast without changing what they run.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

targets=()
for t in build-fuzz/fuzz_*; do
    [ -x "$t" ] && targets+=("$(basename "$t")")
done

run_one() {
    local binary="$1" name="${1#fuzz_}"
    local work="build-fuzz/corpus/$name" artifacts="build-fuzz/artifacts/$name"
    mkdir -p "$work" "$artifacts"
    rm -f "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*
    local status=0
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        "build-fuzz/$binary" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=1024 -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$name" \
        >"$artifacts/run.log" 2>&1 || status=$?
    local execs cov ft crashes reports
    execs=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$artifacts/run.log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$artifacts/run.log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$artifacts/run.log" | tail -1 | cut -d' ' -f2)
    crashes=$(find "$artifacts" -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' | wc -l)
    reports=$(grep -cE 'ERROR: (Address|Leak|UndefinedBehavior)Sanitizer|runtime error:|ERROR: libFuzzer' \
        "$artifacts/run.log" || true)
    [ "$status" -eq 0 ] || [ "$crashes" -gt 0 ] || crashes=1
    printf '%-20s exec/s %8s  cov %6s  ft %7s  corpus %5s  crashes %s  sanitizer reports %s\n' \
        "$name" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$(ls "$work" | wc -l)" "$crashes" "$reports" \
        >"$artifacts/summary.txt"
    cat "$artifacts/summary.txt"
    [ "$crashes" -eq 0 ] && [ "$reports" -eq 0 ]
}

echo "Fuzzing ${#targets[@]} targets for ${seconds}s each, ${jobs} at a time"
failed=0
pids=()
for binary in "${targets[@]}"; do
    run_one "$binary" &
    pids+=($!)
    if ((${#pids[@]} >= jobs)); then
        wait "${pids[0]}" || failed=1
        pids=("${pids[@]:1}")
    fi
done
for pid in "${pids[@]}"; do
    wait "$pid" || failed=1
done
if ((failed)); then
    echo "Fuzzing found a fault: see build-fuzz/artifacts/<target>/run.log and the crash-* input" >&2
    exit 1
fi
