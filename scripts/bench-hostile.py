#!/usr/bin/env python3
"""A headless host under the attack of peers that do not read.

Starts a headless host (--timer-scale 0.002, --no-announce, a data directory
of its own) and four watching clients, one in each playing seat, that let
the computer pilots play game after game (seat 1 starts each game). It
counts the plays per second for SECONDS without an attack, then for SECONDS
while nine sockets with a 4 KB receive buffer log in again and again with
4,000-byte names and never read what the host sends them (each connects
again when the host closes it or the table is full; they find the
spectators' places, as the seats are taken; they run in a process of
their own, so that they never hold up the watchers). It reports both
rates, their ratio, and the host's peak resident memory (VmHWM of
/proc/PID/status).

    scripts/bench-hostile.py [SECONDS]        (default 30 per phase)

It uses DRIFTWAKE_BUILD/driftwake (default: build/driftwake); measure a build
without sanitizers. DRIFTWAKE_BENCH_PORT sets the port (default 30500).
Goals: peak resident memory under 48 MiB, plays per second under attack at
least 90% of those without. The exit status is 1 when a goal is missed.
"""

import os
import select
import socket
import subprocess
import sys
import tempfile
import time

TERM = b"\xff"
PLAYS = {b"CMD_hediscard", b"CMD_traveling", b"CMD_placinggo", b"CMD_placingspeed",
         b"CMD_playsafe"}
NAME = b"n" * 4000
ATTACKERS = 9


def message(word, *fields, trailing=False):
    out = word
    for f in fields:
        out += b"+" + (f if isinstance(f, bytes) else str(f).encode())
    if trailing:
        out += b"+"
    return out + TERM


class Watcher:
    """A playing seat that lets the computer play it; seat 1 starts the games."""

    def __init__(self, port, name):
        self.name = name
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.sock.setblocking(False)
        self.buffer = b""
        self.plays = 0
        self.seat = 0

    def send(self, data):
        self.sock.setblocking(True)
        self.sock.sendall(data)
        self.sock.setblocking(False)

    def start(self):
        if self.seat == 1:
            self.send(message(b"CMD_startgame", self.name, 10000, 100, 1, 1, trailing=True))

    def read(self):
        data = self.sock.recv(1 << 16)
        if not data:
            raise SystemExit("the host closed the watcher's connection")
        self.buffer += data
        *messages, self.buffer = self.buffer.split(TERM)
        for m in messages:
            word = m.split(b"+", 1)[0]
            if word in PLAYS:
                self.plays += 1
            elif word == b"CMD_sendlogininfo" and self.seat == 0:
                self.seat = int(m.split(b"+")[1])
                self.send(message(b"CMD_logininfo", self.seat, b"1.0.1", self.name) + TERM)
                self.start()
            elif word in (b"CMD_startgame", b"CMD_newstats"):
                self.send(message(b"CMD_justwatch", self.seat, 1))
            elif word == b"CMD_winner":
                self.start()


class Attacker:
    """Connects with a 4 KB receive buffer, reads only its entry, then logs in
    with a 4,000-byte name again and again and never reads."""

    def __init__(self, port):
        self.port = port
        self.sock = None
        self.entry = 0

    def connect(self):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        s.settimeout(0.2)
        try:
            s.connect(("127.0.0.1", self.port))
            first = s.recv(64)
        except OSError:
            s.close()
            return
        parts = first.split(TERM)[0].split(b"+")
        if parts[0] != b"CMD_sendlogininfo" or len(parts) < 2:
            s.close()  # the table is full: try again later
            return
        self.entry = int(parts[1])
        s.setblocking(False)
        self.sock = s

    def step(self):
        if self.sock is None:
            self.connect()
            return
        try:
            self.sock.send(message(b"CMD_logininfo", self.entry, b"1.0.1", NAME) + TERM)
        except BlockingIOError:
            pass
        except OSError:
            self.sock.close()
            self.sock = None


def vm_hwm_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def pump(watchers, timeout):
    ready, _, _ = select.select([w.sock for w in watchers], [], [], timeout)
    for w in watchers:
        if w.sock in ready:
            w.read()


def attack(port, seconds):
    """The attackers' loop, run in a process of its own: a reconnecting
    attacker must not hold up the watchers, whose seat 1 starts each game."""
    attackers = [Attacker(port) for _ in range(ATTACKERS)]
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        for a in attackers:
            a.step()
        time.sleep(0.001)


def phase(watchers, port, seconds, attacked=False):
    attacker = None
    if attacked:
        attacker = os.fork()
        if attacker == 0:
            try:
                attack(port, seconds)
            finally:
                os._exit(0)
    end = time.monotonic() + seconds
    before = watchers[0].plays
    while time.monotonic() < end:
        pump(watchers, 0.05)
    if attacker:
        os.waitpid(attacker, 0)
    return (watchers[0].plays - before) / seconds


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 30.0
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    program = os.path.join(os.environ.get("DRIFTWAKE_BUILD", os.path.join(root, "build")),
                           "driftwake")
    port = int(os.environ.get("DRIFTWAKE_BENCH_PORT", "30500"))
    with tempfile.TemporaryDirectory(prefix="bench-hostile.") as data:
        env = dict(os.environ, DRIFTWAKE_DATA_DIR=data)
        host = subprocess.Popen(
            [program, "--headless", "--no-announce", "--port", str(port), "--timer-scale",
             "0.002"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            watchers = []
            for _ in range(100):
                try:
                    watchers.append(Watcher(port, b"Watcher"))
                    break
                except OSError:
                    time.sleep(0.1)
            if not watchers:
                raise SystemExit("the host does not listen on port %d" % port)
            # Seat 1 logs in first; then the other three seats fill.
            while watchers[0].seat == 0:
                pump(watchers, 0.1)
            for name in (b"Two", b"Three", b"Four"):
                watchers.append(Watcher(port, name))
                while watchers[-1].seat == 0:
                    pump(watchers, 0.1)
            # Warm-up: the first game is under way.
            phase(watchers, port, min(3.0, seconds))
            calm = phase(watchers, port, seconds)
            attacked = phase(watchers, port, seconds, attacked=True)
            peak = vm_hwm_kib(host.pid)
            alive = host.poll() is None
        finally:
            host.terminate()
            host.wait(10)
    ratio = attacked / calm if calm > 0 else 0.0
    print(f"plays per second without attack: {calm:.1f}")
    print(f"plays per second under attack:   {attacked:.1f} ({100 * ratio:.0f}%)")
    print(f"host peak resident memory (VmHWM): {peak / 1024:.1f} MiB")
    ok = alive and peak < 48 * 1024 and ratio >= 0.9
    print("goals (under 48 MiB, at least 90%):", "met" if ok else "MISSED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
