#!/usr/bin/env bash
# The engine's speed: builds driftwake-sim in Release (with the default
# hardening, as the program ships) and plays four-seat computer games on one
# core, RUNS times, reporting each run's processor games per second and the
# best and median of them. On a shared machine the clock varies from minute
# to minute, so the best run is the figure; to compare two versions of the
# engine, compare the instruction count, which does not vary:
#
#   scripts/bench-sim.sh [RUNS] [GAMES]         (default 8 runs of 30000 games)
#   scripts/bench-sim.sh --instructions         (per 1000 games, with callgrind)
#
# The build goes to DRIFTWAKE_SIM_BUILD (default: build-sim).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${DRIFTWAKE_SIM_BUILD:-$root/build-sim}"
instructions=false
if [ "${1:-}" = "--instructions" ]; then
    instructions=true
    shift
fi
runs="${1:-8}"
games="${2:-30000}"
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]] || ! [[ "$games" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [RUNS] [GAMES] | $0 --instructions" >&2
    exit 2
fi

"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRIFTWAKE_GUI=OFF \
    -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target driftwake-sim >/dev/null
sim="$build/engine/driftwake-sim"

if $instructions; then
    out="$(mktemp)"
    trap 'rm -f "$out"' EXIT
    valgrind --tool=callgrind --callgrind-out-file="$out" \
        "$sim" --games 1000 --seed 1 --seats 4 >/dev/null 2>&1
    awk '/^summary:/ { printf "instructions per 1000 four-seat games: %.1f M\n", $2 / 1e6 }' "$out"
    exit 0
fi

# The last core: on a two-core machine the first one takes more interrupts.
core=$(($(nproc) - 1))
rates=()
for ((i = 1; i <= runs; i++)); do
    rate="$(taskset -c "$core" "$sim" --games "$games" --seed 1 --seats 4 |
        awk '$1 == "games/s" { print $4 }')"
    echo "run $i: $rate games/s (cpu)"
    rates+=("$rate")
done
printf '%s\n' "${rates[@]}" | sort -n | awk '{ r[NR] = $1 }
    END { printf "best %d, median %d games/s over %d runs of %s games on core %s\n",
          r[NR], (NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2), NR, '"$games"', '"$core"' }'
