#!/usr/bin/env python3
"""The relay's figures against a private Prosody (scripts/lobby-server.sh),
everything on loopback.

1. Delay from a play to its broadcast, p99: driftwake-netbench --connect
   against a headless host reached directly, then against a second headless
   host (same settings) that both measured players reach through their own
   relayed stream (driftwake-lobby --advertise on the host's side,
   driftwake-lobby --connect on each player's), both measured at the same
   time. A play through the relay
   crosses two streams: the player's to the host, the broadcast's to the
   other player. Goal: the relay adds at most 5 ms at p99.
2. Seconds from asking for a table that shows no address to its board:
   driftwake-lobby --connect starts, signs in, joins the room and opens the
   stream; then the game window (driftwake NAME 127.0.0.1:PORT join,
   offscreen) starts and logs in through it. A run ends when the host logs
   the login (the host sends the whole board with it). Sign-in and room join
   are counted, which a lobby window that is open already does not pay: an
   upper bound. Goal: at most 3 s.

    scripts/bench-relay.py [--seconds S] [--runs N] [--timer-scale X] [--pin]

With --pin each path runs on one core: on a virtual machine a process woken
on the other, idle core may wait for the hypervisor to run that core (some
milliseconds when the host is busy), and the relayed path has six processes
to wake where the direct one has two.

It uses DRIFTWAKE_BUILD (default build/) for driftwake, driftwake-lobby and
host/driftwake-netbench; measure a build without sanitizers. The XMPP port is
DRIFTWAKE_BENCH_PORT (default 30700), the proxy the next one, and the games
the ten after that. The exit status is 1 when a goal is missed.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

from lobbybench import ROOT, LineReader, percentile, start_server, stop

P99 = re.compile(rb"idle host\s+(\d+) samples.*p99\s+([0-9.]+)")


def on_core(core):
    """For Popen's preexec_fn: the child runs on that core alone (None: as
    this process)."""
    return None if core is None else (lambda: os.sched_setaffinity(0, {core}))


def netbench(program, addresses, seconds, env, core=None):
    """Starts driftwake-netbench against `addresses`; call finish() on the
    result for its p99, sample count and burst line."""
    command = [program, "--seconds", str(seconds)]
    for a in addresses:
        command += ["--connect", a]
    process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, preexec_fn=on_core(core))

    def finish():
        out = process.communicate(timeout=seconds * 3 + 120)[0]
        found = P99.search(out)
        if not found:
            sys.exit("bench-relay: driftwake-netbench printed no figure:\n" +
                     out.decode(errors="replace"))
        lines = [l.decode(errors="replace") for l in out.splitlines()
                 if l.startswith(b"idle host") or l.startswith(b"burst of")]
        return float(found.group(2)), int(found.group(1)), "\n    ".join(lines)
    return finish


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seconds", type=int, default=300,
                        help="of each measurement: some 1.7 samples a second")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--timer-scale", default="0.1",
                        help="the hosts' pace: 0.1 plays ten times as fast as a game")
    parser.add_argument("--pin", action="store_true",
                        help="the direct path on core 0 and the relayed path (Prosody "
                             "included) on core 1, each process of a path on the same core")
    args = parser.parse_args()
    if args.pin:
        os.sched_setaffinity(0, {1})  # what starts from here runs there too

    build = os.environ.get("DRIFTWAKE_BUILD", os.path.join(ROOT, "build"))
    game = os.path.join(build, "driftwake")
    lobby = os.path.join(build, "driftwake-lobby")
    bench = os.path.join(build, "host", "driftwake-netbench")
    for program in (game, lobby, bench):
        if not os.access(program, os.X_OK):
            sys.exit(f"bench-relay: no {program} (set DRIFTWAKE_BUILD)")
    port = int(os.environ.get("DRIFTWAKE_BENCH_PORT", "30700"))
    direct_port, relayed_port, local_port = port + 2, port + 3, port + 4
    work = tempfile.mkdtemp(prefix="driftwake-bench-relay-")
    users = [("host", "pw1"), ("one", "pw2"), ("two", "pw3"), ("joiner", "pw4")]
    server, env, sign_in = start_server(work, port, users)
    processes = []

    def host(game_port, data, core=None):
        # Faster than a game, so that the measured seat plays often.
        p = subprocess.Popen([game, "--headless", "--port", str(game_port), "--timer-scale",
                              args.timer_scale, "--no-announce"],
                             env=dict(env, DRIFTWAKE_DATA_DIR=os.path.join(work, data)),
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             preexec_fn=on_core(core))
        processes.append(p)
        log = LineReader(p, p.stdout)
        if log.wait_for([b"listening on port"], 20) is None:
            sys.exit("bench-relay: the headless host did not start")
        return log

    def relay(user, local):
        """driftwake-lobby --connect to the table Bench, listening on
        `local`; the process and the seconds until it listened."""
        started = time.monotonic()
        while True:
            p = subprocess.Popen([lobby] + sign_in(user) +
                                 ["--connect", "Bench", "--local-port", str(local)],
                                 env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            processes.append(p)
            if LineReader(p, p.stdout).wait_for([b"listening on"], 30) is not None:
                return p, time.monotonic() - started
            p.wait(10)
            why = p.stderr.read().decode(errors="replace").strip()
            # The advertiser may not be in the room yet.
            settling = "No table" in why
            if not settling or time.monotonic() - started > 30:
                sys.exit(f"bench-relay: no relayed stream for {user}: {why}")
            time.sleep(0.2)

    try:
        for d in ("direct", "relayed"):
            os.makedirs(os.path.join(work, d), exist_ok=True)
        direct_core = 0 if args.pin else None
        host(direct_port, "direct", direct_core)
        host_log = host(relayed_port, "relayed")
        advertiser = subprocess.Popen(
            [lobby] + sign_in("host") +
            ["--advertise", f"127.0.0.1:{relayed_port}", "--nick", "Bench"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        processes.append(advertiser)
        one, _ = relay("one", local_port)
        two, _ = relay("two", local_port + 1)
        # Both at once, so that both see the same machine: a virtual machine's
        # speed can change for many seconds at a time.
        direct = netbench(bench, [f"127.0.0.1:{direct_port}"], args.seconds, env, direct_core)
        relayed = netbench(bench, [f"127.0.0.1:{local_port}", f"127.0.0.1:{local_port + 1}"],
                           args.seconds, env)
        direct, relayed = direct(), relayed()
        stop([one, two])

        joins = []
        streams = []
        for run in range(args.runs):
            host_log.drain()
            host_log.buffer = b""
            local = local_port + 2 + run % 4
            started = time.monotonic()
            link, stream_seconds = relay("joiner", local)
            name = f"Joiner{run}"
            data = os.path.join(work, "joiner", str(run))
            os.makedirs(data)
            window = subprocess.Popen([game, name, f"127.0.0.1:{local}", "join"],
                                      env=dict(env, DRIFTWAKE_DATA_DIR=data),
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            processes.append(window)
            if host_log.wait_for([b"logged in as " + name.encode()], 30) is None:
                sys.exit(f"bench-relay: run {run + 1}: the window never logged in")
            joins.append(time.monotonic() - started)
            streams.append(stream_seconds)
            stop([window, link])
    finally:
        stop(processes + [server])

    added = relayed[0] - direct[0]
    print(f"at --timer-scale {args.timer_scale}" +
          (", each path on a core of its own:" if args.pin else ":"))
    print(f"play to broadcast, p99: direct {direct[0]:.2f} ms ({direct[1]} samples), "
          f"through two relayed streams {relayed[0]:.2f} ms ({relayed[1]} samples); "
          f"the relay adds {added:.2f} ms (goal <= 5 ms)")
    print(f"  direct:  {direct[2]}")
    print(f"  relayed: {relayed[2]}")
    print(f"asking for a table to its board through the relay, of {len(joins)} runs: "
          f"median {percentile(joins, 50):.2f} s, max {max(joins):.2f} s "
          f"(sign-in and room join included; goal <= 3 s); of which to the stream: "
          f"median {percentile(streams, 50):.2f} s")
    return 1 if added > 5.0 or max(joins) > 3.0 else 0


if __name__ == "__main__":
    sys.exit(main())
