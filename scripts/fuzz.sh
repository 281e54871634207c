#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30), one
# after another, starting from the seed corpus in fuzz/corpus/<target>/.
# New inputs go to a work corpus in the build directory, so the seeds in the
# repository stay as they are. Exits non-zero when a target finds a crash;
# the crashing input is left in the build directory's fuzz/artifacts/.
#
# Needs clang-14 and libclang-rt-14-dev (Debian). Environment:
#   DRIFTWAKE_FUZZ_BUILD  build directory (default build-fuzz)
#   CXX                   compiler (default clang++-14, else clang++)
#   FUZZ_TARGETS          space-separated subset of the targets
#   FUZZ_JOBS             build jobs (default 2)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
build="${DRIFTWAKE_FUZZ_BUILD:-$root/build-fuzz}"
cxx="${CXX:-$(command -v clang++-14 || command -v clang++ || true)}"
if [[ -z "$cxx" ]]; then
    echo "fuzz.sh: clang++ not found (apt-get install --no-install-recommends clang-14 libclang-rt-14-dev)" >&2
    exit 2
fi
all="fuzz_protocol fuzz_hostcore fuzz_board fuzz_settings fuzz_colours fuzz_tally fuzz_decompress fuzz_compress fuzz_lanwire fuzz_routerhttp fuzz_table fuzz_bytestream"
targets="${FUZZ_TARGETS:-$all}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$cxx" -DDRIFTWAKE_FUZZ=ON -DDRIFTWAKE_GUI=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j "${FUZZ_JOBS:-2}" --target $targets

status=0
for t in $targets; do
    work="$build/fuzz/work/$t"
    artifacts="$build/fuzz/artifacts/$t/"
    mkdir -p "$work" "$artifacts"
    echo "== $t for ${seconds}s"
    if ! ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" \
        "$build/fuzz/$t" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts" \
        "$work" "$root/fuzz/corpus/$t" 2>"$build/fuzz/$t.log"; then
        echo "!! $t failed; see $build/fuzz/$t.log and $artifacts" >&2
        tail -n 40 "$build/fuzz/$t.log" >&2
        status=1
    fi
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' \
        "$build/fuzz/$t.log" || true
done
exit $status
