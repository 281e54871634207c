#!/usr/bin/env bash
# Starts a private Prosody to try the Driftwake lobby on one machine, and is
# what the lobby's tests start too: its own configuration, data directory
# and a self-signed certificate made on the spot, listening on loopback only.
# It serves the room driftwake@conference.DOMAIN (made here by the operator;
# nobody else may create rooms), account creation by in-band registration,
# guest logins on guest.DOMAIN and a bytestream proxy on proxy.DOMAIN.
# Prosody runs in the foreground until this script gets SIGTERM or Ctrl+C.
#
# Usage: scripts/lobby-server.sh [options]
#   --dir DIR           configuration, certificate, data and log (default
#                       /tmp/driftwake-lobby-server); emptied first
#   --domain DOMAIN     the server's domain (default localhost)
#   --address ADDRESS   the IPv4 address it listens on and gives clients for
#                       the proxy (default 127.0.0.1)
#   --port PORT         client port (default 25222)
#   --proxy-port PORT   bytestream proxy port (default 25777)
#   --user NAME:PASS    an account to make at start (repeatable)
#   --no-registration   refuse account creation
#   --no-proxy          no bytestream proxy: tables take direct joins only
#   --quiet             print only "ready" once the room exists
# Needs prosody and openssl (scripts/deps.sh installs both).
set -euo pipefail

dir=/tmp/driftwake-lobby-server
domain=localhost
address=127.0.0.1
port=25222
proxy_port=25777
registration=true
proxy=true
quiet=false
users=()
while [[ $# -gt 0 ]]; do
    case "$1" in
    --dir) dir="$2"; shift 2 ;;
    --domain) domain="$2"; shift 2 ;;
    --address) address="$2"; shift 2 ;;
    --port) port="$2"; shift 2 ;;
    --proxy-port) proxy_port="$2"; shift 2 ;;
    --user) users+=("$2"); shift 2 ;;
    --no-registration) registration=false; shift ;;
    --no-proxy) proxy=false; shift ;;
    --quiet) quiet=true; shift ;;
    *) echo "lobby-server.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
if ! [[ "$domain" =~ ^[a-z0-9]([a-z0-9.-]*[a-z0-9])?$ ]]; then
    echo "lobby-server.sh: the domain must be lowercase letters, digits, dots and dashes" >&2
    exit 2
fi
if ! [[ "$address" =~ ^[0-9]{1,3}(\.[0-9]{1,3}){3}$ ]]; then
    echo "lobby-server.sh: the address must be an IPv4 address" >&2
    exit 2
fi
for p in "$port" "$proxy_port"; do
    if ! [[ "$p" =~ ^[0-9]+$ ]] || ((p < 1 || p > 65535)); then
        echo "lobby-server.sh: bad port $p" >&2
        exit 2
    fi
done

rm -rf "$dir"
mkdir -p "$dir/data"
chmod 700 "$dir" "$dir/data"

# A self-signed certificate for the domain and its services. Clients trust
# it through DRIFTWAKE_LOBBY_CA=$dir/cert.pem.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30 \
    -subj "/CN=$domain" \
    -addext "subjectAltName=DNS:$domain,DNS:conference.$domain,DNS:guest.$domain,DNS:proxy.$domain" \
    -keyout "$dir/key.pem" -out "$dir/cert.pem" 2>/dev/null
chmod 600 "$dir/key.pem"

cat >"$dir/prosody.cfg.lua" <<EOF
-- Written by scripts/lobby-server.sh
data_path = "$dir/data"
pidfile = "$dir/prosody.pid"
admin_socket = "$dir/data/admin.sock"
log = { info = "$dir/prosody.log" }
certificates = "$dir"
run_as_root = true
interfaces = { "$address" }
local_interfaces = { "$address" }
c2s_ports = { $port }
c2s_require_encryption = true
proxy65_ports = { $proxy_port }
-- Relayed games are many small messages, each awaited: sent at once.
network_settings = { nagle = false }
modules_enabled = { "saslauth", "tls", "disco", "roster", "ping", "register", "admin_shell", "posix" }
modules_disabled = { "s2s", "offline", "c2s_bidi" }
ssl = { certificate = "$dir/cert.pem", key = "$dir/key.pem" }
authentication = "internal_hashed"
allow_registration = $registration
min_seconds_between_registrations = 0
registration_allowlist = { "127.0.0.1", "::1", "$address" }

VirtualHost "$domain"

VirtualHost "guest.$domain"
    authentication = "anonymous"

Component "conference.$domain" "muc"
    restrict_room_creation = true
    muc_room_default_persistent = true
    muc_room_default_public = true
    muc_room_locking = false
EOF
if $proxy; then
    cat >>"$dir/prosody.cfg.lua" <<EOF

Component "proxy.$domain" "proxy65"
    proxy65_address = "$address"
    proxy65_acl = { "$domain", "guest.$domain" }
EOF
fi

ctl() { prosodyctl --config "$dir/prosody.cfg.lua" "$@" 2>/dev/null; }

for u in ${users[@]+"${users[@]}"}; do
    ctl register "${u%%:*}" "$domain" "${u#*:}" >/dev/null
done

prosody -F --config "$dir/prosody.cfg.lua" >>"$dir/prosody.out" 2>&1 &
pid=$!
stop() {
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
trap 'stop; exit 0' TERM INT
trap stop EXIT

# The operator makes the room once Prosody answers on its admin socket.
room="driftwake@conference.$domain"
made=false
for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "lobby-server.sh: prosody ended; see $dir/prosody.log and $dir/prosody.out" >&2
        exit 1
    fi
    if [[ -S "$dir/data/admin.sock" ]] && out=$(ctl shell "muc:create('$room')" 2>&1); then
        made=true
        break
    fi
    sleep 0.1
done
if ! $made; then
    echo "lobby-server.sh: could not make the room $room: ${out:-no admin socket}" >&2
    exit 1
fi

if grep -q "Failed to open server port" "$dir/prosody.log"; then
    echo "lobby-server.sh: a port is in use; see $dir/prosody.log" >&2
    exit 1
fi
if $quiet; then
    echo "ready"
else
    cat <<EOF
Prosody runs for $domain on 127.0.0.1 port $port (Ctrl+C stops it).
Room: $room.  Guests: guest.$domain.  Bytestream proxy: proxy.$domain port $proxy_port.
Sign in with:
  DRIFTWAKE_LOBBY_CA=$dir/cert.pem driftwake-lobby --server 127.0.0.1:$port ...
Accounts: "Create account" in the lobby, or
  prosodyctl --config $dir/prosody.cfg.lua register NAME $domain PASSWORD
EOF
fi
wait "$pid"
