#!/bin/sh
# check_fleet.sh FLEET CONTAINERFILE: the Agones Fleet runs the image's
# program as a headless host under Agones that does not announce itself, on
# the container port the Fleet gives the game, with a status port of its
# own.
set -u
fleet="$1"
containerfile="$2"
fail=0
complain() {
    echo "$*"
    fail=1
}

grep -q '^kind: Fleet$' "$fleet" || complain "$fleet is not a Fleet"
# The container's command, one word a line ("- word" items below "command:").
command=$(sed -n '/^ *command:$/,/^ *[a-z][a-zA-Z]*:/p' "$fleet" | sed -n 's/^ *- *"\{0,1\}\([^"]*\)"\{0,1\}$/\1/p')
after() { printf '%s\n' "$command" | sed -n "/^$1\$/{n;p;q}"; }

program=$(sed -n 's/^ENTRYPOINT \["\([^"]*\)".*/\1/p' "$containerfile")
[ "$(printf '%s\n' "$command" | head -n 1)" = "$program" ] ||
    complain "the Fleet does not start the image's program $program"
for word in --headless --no-announce --agones; do
    printf '%s\n' "$command" | grep -qx -- "$word" || complain "the Fleet's command lacks $word"
done
game=$(after --port)
status=$(after --status-port)
# The game port of the GameServer: the containerPort of the "game" port.
exposed=$(sed -n '/- name: game$/,/containerPort:/s/^ *containerPort: *//p' "$fleet")
[ -n "$game" ] && [ "$game" = "$exposed" ] ||
    complain "the host listens on '$game' but the Fleet gives the game port '$exposed'"
[ -n "$status" ] && [ "$status" != "$game" ] || complain "the Fleet's host has no status port of its own"
exit $fail
