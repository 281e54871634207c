#!/bin/sh
# check_containerfile.sh FILE PROGRAM: checks the container recipe without a
# container engine: every instruction is one the engines know, the image
# starts from Debian 12 slim and installs the package, the host is started by
# PROGRAM (its path in the package) in the exec form (so that it gets the
# stop signal itself) as the headless host that does not announce itself,
# its game and status ports are exposed, the health check asks that status
# port with the program itself, and the image runs as an ordinary user.
set -u
file="$1"
program="$2"
fail=0
complain() {
    echo "$*"
    fail=1
}

# The instructions, one a line: continuation lines joined, comments dropped.
instructions=$(grep -v '^[[:space:]]*#' "$file" | sed -e ':a' -e '/\\$/{N;s/\\\n[[:space:]]*/ /;ba' -e '}' |
    grep -v '^[[:space:]]*$')
known=" FROM RUN COPY ADD ENV ARG WORKDIR USER EXPOSE HEALTHCHECK STOPSIGNAL ENTRYPOINT CMD LABEL VOLUME SHELL "
words=$(printf '%s\n' "$instructions" | awk '{ print $1 }')
for w in $words; do
    case "$known" in
    *" $w "*) ;;
    *) complain "unknown instruction $w" ;;
    esac
done
arg() { printf '%s\n' "$instructions" | sed -n "s/^$1[[:space:]]\{1,\}//p"; }

[ "$(printf '%s\n' "$words" | head -n 1)" = FROM ] || complain "the recipe does not begin with FROM"
[ "$(arg FROM)" = "debian:12-slim" ] || complain "the image is built from '$(arg FROM)', not debian:12-slim"
copied=$(arg COPY | awk '{ print $1 }')
case "$copied" in
*.deb) arg RUN | grep 'apt-get install' | grep -qF "/$copied" || complain "the copied $copied is not installed" ;;
*) complain "the recipe copies no package" ;;
esac

# An exec-form array of plain strings, one string a line.
array() {
    printf '%s\n' "$1" | grep -q '^\[[[:space:]]*"[^"]*"\([[:space:]]*,[[:space:]]*"[^"]*"\)*[[:space:]]*\]$' ||
        { complain "not an exec-form array: $1"; return; }
    printf '%s\n' "$1" | grep -o '"[^"]*"' | tr -d '"'
}
after() { printf '%s\n' "$1" | sed -n "/^$2\$/{n;p;q}"; }

entry=$(array "$(arg ENTRYPOINT)")
[ "$(printf '%s\n' "$entry" | head -n 1)" = "$program" ] ||
    complain "the entry point does not start $program by its full path"
for word in --headless --no-announce; do
    printf '%s\n' "$entry" | grep -qx -- "$word" || complain "the entry point lacks $word"
done
game=$(after "$entry" --port)
status=$(after "$entry" --status-port)
[ -n "$game" ] && [ -n "$status" ] || complain "the entry point names no game port or no status port"
for port in "$game" "$status"; do
    arg EXPOSE | tr ' ' '\n' | grep -qx "$port/tcp" || complain "port $port/tcp is not exposed"
done

health=$(arg HEALTHCHECK)
check=$(array "$(printf '%s\n' "$health" | sed -n 's/.*[[:space:]]CMD[[:space:]]\{1,\}//p')")
[ "$(printf '%s\n' "$check" | head -n 1)" = "$program" ] ||
    complain "the health check does not run $program"
url=$(after "$check" --fetch)
[ "$url" = "http://127.0.0.1:$status/status" ] ||
    complain "the health check fetches '$url', not the status page on port $status"

user=$(arg USER | tail -n 1)
case "${user%%:*}" in
"" | root | 0) complain "the image runs as root" ;;
esac
exit $fail
