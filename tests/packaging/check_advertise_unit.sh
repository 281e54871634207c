#!/bin/sh
# check_advertise_unit.sh TEMPLATE LOBBY WORK: makes an instance of the
# advertiser template pointed at LOBBY and checks it: systemd-analyze verify
# reports nothing, and the command line the instance runs, with the values
# of its environment file, lists the table on the instance's game port with
# the status port derived from it, as the host template serves it; LOBBY
# accepts that command line. Skipped (77) where systemd-analyze is missing.
set -u
template="$1"
lobby="$2"
work="$3"
fail=0
complain() {
    echo "$*"
    fail=1
}

if ! command -v systemd-analyze >/dev/null 2>&1; then
    echo "systemd-analyze is not installed; skipping"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work"

unit="$work/driftwake-advertise@7790.service"
sed "s#@DW_LOBBY_PROGRAM@#$lobby#g" "$template" >"$unit"
said=$(systemd-analyze verify --man=no "$unit" 2>&1 |
    grep -v -e 'driftwake-host@7790.service' -e '/etc/driftwake/advertise')
[ -z "$said" ] || complain "systemd-analyze verify of the template: $said"
grep -q '^BindsTo=driftwake-host@%i.service' "$template" ||
    complain "the advertiser is not bound to its table"

# The command line, run as systemd runs it, with a stand-in that prints its
# arguments and the environment file's values.
stub="$work/args"
printf '#!/bin/sh\nfor a in "$@"; do echo "$a"; done\n' >"$stub"
chmod +x "$stub"
line=$(sed -n 's/^ExecStart=//p' "$template" | sed -e "s#@DW_LOBBY_PROGRAM@#$stub#g" \
    -e 's/\$\$/$/g' -e 's/%i/7790/g')
[ -n "$line" ] || complain "the template has no ExecStart"
args=$(DW_LOBBY_SERVER=lobby.example.org DW_LOBBY_JID=tables@example.org \
    DW_PUBLIC_ADDRESS=203.0.113.7 DW_TABLE_NAME="Night run" CREDENTIALS_DIRECTORY=/run/c \
    sh -c "$line" | tr '\n' '|')
expected="--server|lobby.example.org|--jid|tables@example.org|--nick|Night run 7790|"
expected="$expected--password-file|/run/c/password|--advertise|203.0.113.7:7790|"
expected="$expected--table-name|Night run 7790|--status-url|http://127.0.0.1:8790/status|"
[ "$args" = "$expected" ] || complain "the instance runs the lobby with '$args', not '$expected'"
unnamed=$(DW_PUBLIC_ADDRESS=203.0.113.7 sh -c "$line" | sed -n '/--table-name/{n;p}')
[ "$unnamed" = "Driftwake table 7790" ] || complain "a table without a name is called '$unnamed'"
# The status port is the one the host template gives the same instance.
grep -q -- '--status-port "$$(($$1 + 1000))"' "$(dirname "$template")/driftwake-host@.service.in" ||
    complain "the host template no longer serves its status on the game port plus 1000"

# The lobby knows every option of that command line (it exits at once on
# --help, and with 2 on an option it does not know).
cmd=$(printf '%s' "$line" | sed "s#$stub#$lobby --help#")
DW_LOBBY_SERVER=x DW_LOBBY_JID=a@b DW_PUBLIC_ADDRESS=203.0.113.7 CREDENTIALS_DIRECTORY="$work" \
    sh -c "$cmd" >/dev/null || complain "$lobby refuses the instance's command line"
exit $fail
