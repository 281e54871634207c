"""What the lobby's benchmarks share: a private Prosody, password files,
percentiles and a reader of a process's output lines with a deadline."""

import os
import select
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def percentile(values, p):
    ordered = sorted(values)
    index = max(0, min(len(ordered) - 1, int(round(p / 100.0 * len(ordered) + 0.5)) - 1))
    return ordered[index]


def start_server(work, port, users):
    """A private Prosody in work/server on `port` (its bytestream proxy on
    the next port), with `users` as (name, password) pairs. Returns the
    process, the environment the lobby needs to trust it, and a function
    giving a lobby's sign-in options for one of the users."""
    server_dir = os.path.join(work, "server")
    command = [os.path.join(ROOT, "scripts", "lobby-server.sh"), "--dir", server_dir, "--port",
               str(port), "--proxy-port", str(port + 1), "--quiet"]
    for name, password in users:
        command += ["--user", f"{name}:{password}"]
    server = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    line = server.stdout.readline()
    if line.strip() != b"ready":
        server.kill()
        sys.exit("the private Prosody did not start: " + line.decode(errors="replace"))
    env = dict(os.environ, DRIFTWAKE_LOBBY_CA=os.path.join(server_dir, "cert.pem"),
               DRIFTWAKE_DATA_DIR=os.path.join(work, "data"), ASAN_OPTIONS="detect_leaks=0",
               DRIFTWAKE_LAN_SCOPE="loopback", QT_QPA_PLATFORM="offscreen")
    passwords = {}
    for name, password in users:
        path = os.path.join(work, name + ".pass")
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
        os.write(fd, password.encode() + b"\n")
        os.close(fd)
        passwords[name] = path

    def sign_in(name):
        return ["--server", f"127.0.0.1:{port}", "--jid", f"{name}@localhost",
                "--password-file", passwords[name]]

    return server, env, sign_in


def stop(processes):
    for p in processes:
        if p.poll() is None:
            p.terminate()
            try:
                p.wait(20)
            except subprocess.TimeoutExpired:
                p.kill()


class LineReader:
    """Reads one of a process's outputs (a pipe) line by line, with a
    deadline."""

    def __init__(self, process, stream):
        self.process = process
        self.stream = stream
        self.buffer = b""
        os.set_blocking(stream.fileno(), False)

    def wait_for(self, needles, timeout):
        """Seconds since the call when a line holding every needle arrived,
        or None when none did in `timeout` seconds or the process ended."""
        return self.wait_for_line(needles, timeout)[0]

    def wait_for_line(self, needles, timeout):
        """As wait_for, and the line itself."""
        start = time.monotonic()
        while True:
            while b"\n" in self.buffer:
                line, self.buffer = self.buffer.split(b"\n", 1)
                if all(n in line for n in needles):
                    return time.monotonic() - start, line
            left = timeout - (time.monotonic() - start)
            if left <= 0:
                return None, None
            ready, _, _ = select.select([self.stream], [], [], left)
            if ready:
                chunk = self.stream.read()
                if not chunk and self.process.poll() is not None:
                    return None, None
                self.buffer += chunk or b""

    def drain(self):
        try:
            self.buffer += self.stream.read() or b""
        except (BlockingIOError, ValueError):
            pass
        self.buffer = self.buffer[-65536:]

