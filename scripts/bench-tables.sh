#!/usr/bin/env bash
# How many tables one machine carries: starts N headless hosts on loopback
# (each with --no-announce, a free port and a data directory of its own) and
# one watching client for each (driftwake-tablewatch, all in one process),
# which starts a four-pilot computer game at the host's default pacing. After
# a warm-up it measures a steady window and reports:
#   - private memory (the Private_* lines of /proc/PID/smaps_rollup) of the
#     hosts together and per table, and of the watching clients;
#   - CPU time (utime + stime of /proc/PID/stat) over the window, per table
#     and for all hosts together, in cores;
#   - turns per table and games finished during the window; every game must
#     progress (exit status 1 otherwise).
#
#   scripts/bench-tables.sh N [SECONDS]      (SECONDS of window, default 60)
#
# It uses the programs of DRIFTWAKE_BUILD (default: build), which must hold
# driftwake and driftwake-tablewatch; measure a build without sanitizers:
#   cmake -S . -B build -G Ninja && cmake --build build --target driftwake driftwake-tablewatch
# DRIFTWAKE_BENCH_PORT sets the first port tried (default 30000).
set -euo pipefail

n="${1:-}"
seconds="${2:-60}"
warmup=10
if ! [[ "$n" =~ ^[1-9][0-9]*$ ]] || ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 N [SECONDS]" >&2
    exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${DRIFTWAKE_BUILD:-$root/build}"
program="$build/driftwake"
watcher="$build/driftwake-tablewatch"
for p in "$program" "$watcher"; do
    if [ ! -x "$p" ]; then
        echo "$p is missing: cmake --build $build --target driftwake driftwake-tablewatch" >&2
        exit 2
    fi
done
ulimit -n 65536 2>/dev/null || ulimit -n "$(ulimit -Hn)"

work="$(mktemp -d /tmp/bench-tables.XXXXXX)"
hosts=()
watch_pid=""
cleanup() {
    [ -n "$watch_pid" ] && kill "$watch_pid" 2>/dev/null
    [ ${#hosts[@]} -gt 0 ] && kill "${hosts[@]}" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Ports something listens on now (from the kernel's tables, IPv4 and IPv6).
declare -A taken=()
for hex in $(awk 'NR > 1 && $4 == "0A" { split($2, a, ":"); print a[2] }' /proc/net/tcp /proc/net/tcp6); do
    taken[$((16#$hex))]=1
done
next_port="${DRIFTWAKE_BENCH_PORT:-30000}"
free_port() {
    while [ -n "${taken[$next_port]:-}" ]; do
        next_port=$((next_port + 1))
    done
    port=$next_port
    taken[$port]=1
}

# Host i on the next free port; its pid in hosts[i], its port in ports[i].
ports=()
start_host() {
    local i=$1
    free_port
    mkdir -p "$work/t$i"
    DRIFTWAKE_DATA_DIR="$work/t$i" "$program" --headless --no-announce --port "$port" \
        >"$work/t$i.log" 2>&1 &
    hosts[i]=$!
    ports[i]=$port
}

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "starting $n headless hosts"
for ((i = 0; i < n; i++)); do
    start_host "$i"
done
# Each host says when it listens; one that could not (its port was taken
# meanwhile) is started again on another port.
for ((i = 0; i < n; i++)); do
    tries=0
    until grep -q listening "$work/t$i.log" 2>/dev/null; do
        if ! kill -0 "${hosts[$i]}" 2>/dev/null; then
            tries=$((tries + 1))
            if [ $tries -gt 5 ]; then
                echo "host $i does not start:" >&2
                cat "$work/t$i.log" >&2
                exit 1
            fi
            start_host "$i"
        fi
        sleep 0.05
    done
done
echo "all $n hosts listen (ports ${ports[0]} to ${ports[$((n - 1))]})"

"$watcher" --warmup "$warmup" --seconds "$seconds" "${ports[@]}" >"$work/watch.log" 2>&1 &
watch_pid=$!

wait_for() {
    until grep -qs "$1" "$work/watch.log"; do
        if ! kill -0 "$watch_pid" 2>/dev/null; then
            echo "the watching clients ended:" >&2
            cat "$work/watch.log" >&2
            exit 1
        fi
        sleep 0.2
    done
}

# utime + stime of the processes, in clock ticks.
cpu_ticks() {
    local total=0 pid stat fields
    for pid in "$@"; do
        stat=$(cat "/proc/$pid/stat" 2>/dev/null) || continue
        # The fields after the command name, which ends with ") ": the
        # state first, utime and stime the 12th and 13th.
        read -r -a fields <<<"${stat##*) }"
        total=$((total + fields[11] + fields[12]))
    done
    echo $total
}
# Private memory of the processes, in kB.
private_kb() {
    local pid
    for pid in "$@"; do
        cat "/proc/$pid/smaps_rollup" 2>/dev/null
    done | awk '/^Private_/ { kb += $2 } END { print kb + 0 }'
}

echo "warming up for $warmup s, then measuring for $seconds s"
wait_for "window start"
host_start=$(cpu_ticks "${hosts[@]}")
watch_start=$(cpu_ticks "$watch_pid")
wait_for "all tables progressed\|tables without a turn"
host_end=$(cpu_ticks "${hosts[@]}")
watch_end=$(cpu_ticks "$watch_pid")
host_kb=$(private_kb "${hosts[@]}")
watch_kb=$(private_kb "$watch_pid")
hz=$(getconf CLK_TCK)

echo
sed -n '/window end/,$p' "$work/watch.log" | grep -v 'window end'
awk -v n="$n" -v s="$seconds" -v hz="$hz" -v hk="$host_kb" -v wk="$watch_kb" \
    -v h0="$host_start" -v h1="$host_end" -v w0="$watch_start" -v w1="$watch_end" 'BEGIN {
    printf "private memory: hosts %.1f MB in all, %.2f MB per table; watching clients %.1f MB\n",
        hk / 1024, hk / 1024 / n, wk / 1024
    hc = (h1 - h0) / hz / s
    printf "CPU: hosts %.4f cores in all, %.4f%% of a core per table (%.0f ms of CPU time in %d s for all); watching clients %.4f cores\n",
        hc, 100 * hc / n, 1000 * (h1 - h0) / hz, s, (w1 - w0) / hz / s
}'
echo "machine: load average $(cut -d' ' -f1-3 /proc/loadavg)"
grep -q "all tables progressed" "$work/watch.log"
