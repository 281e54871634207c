#!/bin/sh
# check_fleet_lobby.sh FLEET LOBBY: the Fleet with the lobby sidecar runs,
# beside its host, driftwake-lobby --agones reading the host's own status
# port, with a password file that the init container makes private to the
# lobby's user; LOBBY knows every option of the sidecar's command line.
set -u
fleet="$1"
lobby="$2"
fail=0
complain() {
    echo "$*"
    fail=1
}

# Every block-style command, one word a line; the lobby's starts with its
# program.
words=$(sed -n '/^ *command:$/,/^ *[a-z][a-zA-Z]*:/p' "$fleet" | sed -n 's/^ *- *"\{0,1\}\([^"]*\)"\{0,1\}$/\1/p')
sidecar=$(printf '%s\n' "$words" | sed -n '\#^/usr/games/driftwake-lobby$#,$p')
[ -n "$sidecar" ] || complain "the Fleet runs no /usr/games/driftwake-lobby"
after() { printf '%s\n' "$1" | sed -n "/^$2\$/{n;p;q}"; }
printf '%s\n' "$sidecar" | grep -qx -- --agones || complain "the lobby sidecar lacks --agones"
status=$(after "$words" --status-port)
url=$(after "$sidecar" --status-url)
[ "$url" = "http://127.0.0.1:$status/status" ] ||
    complain "the sidecar reads '$url', not the host's status on port $status"
password=$(after "$sidecar" --password-file)
tr '\n' ' ' <"$fleet" | grep -q "install, -o, \"10001\", -g, \"10001\", -m, \"600\",[^]]*, $password\]" ||
    complain "no init container makes $password private to the lobby's user"
# The lobby's user is the host's (the image's) user.
[ "$(grep -c 'runAsUser: 10001' "$fleet")" -ge 2 ] || complain "the sidecar does not run as 10001"

# The program knows the options (it exits at once on --help, 2 on an
# unknown one).
newline='
'
IFS=$newline
# shellcheck disable=SC2046
set -- $(printf '%s\n' "$sidecar" | tail -n +2)
unset IFS
"$lobby" --help "$@" >/dev/null 2>&1 || complain "$lobby refuses the sidecar's options: $*"
exit $fail
