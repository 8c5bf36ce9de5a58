#!/usr/bin/env bash
# Builds the whole suite with sanitizers into its own folder and runs every test there.
#   scripts/sanitize.sh asan    AddressSanitizer + UndefinedBehaviorSanitizer, build-asan/
#   scripts/sanitize.sh tsan    ThreadSanitizer, build-tsan/
# A report fails the test it happens in. Reports from inside Qt or the system's libraries,
# which are not built with the sanitizer, are suppressed in scripts/sanitizers/ (each entry
# says why). SANITIZE_JOBS sets the build's parallelism (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-}"
case "$mode" in
    asan) flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" ;;
    tsan) flags="-fsanitize=thread -fno-omit-frame-pointer" ;;
    *) echo "usage: $0 asan|tsan" >&2; exit 2 ;;
esac
bash scripts/setup.sh
dir="build-$mode"
mkdir -p "$dir"
links="$flags"
if [ "$mode" = tsan ]; then
    # Qt's process starts under TSan: see the file's comment.
    cc -O1 -fPIC -c scripts/sanitizers/vfork_clone.c -o "$dir/vfork_clone.o"
    links="$flags $PWD/$dir/vfork_clone.o -ldl"
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZEVO_HARDENING=OFF -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$links" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$dir" --parallel "${SANITIZE_JOBS:-$(nproc)}"

supp="$PWD/scripts/sanitizers"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="suppressions=$supp/asan.supp:detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# atexit_sleep_ms=0: by default a sanitized program sleeps a second before it exits, which a
# test that times a signalled exit would count against the program.
export TSAN_OPTIONS="suppressions=$supp/tsan.supp:halt_on_error=1:second_deadlock_stack=1:atexit_sleep_ms=0"
cd "$dir"
# Sanitized programs are several times slower: the tests run one at a time with a long limit.
ctest --output-on-failure --timeout 1800 "${@:2}"
