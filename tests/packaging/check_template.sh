#!/bin/sh
# check_template.sh TEMPLATE PROGRAM WORK: makes an instance of the table
# template pointed at PROGRAM, as the install does for the installed one, and
# checks it: systemd-analyze verify reports nothing, and the command line the
# instance runs gives the host the instance's game port and the status port
# derived from it. Skipped (77) where systemd-analyze is not installed.
set -u
template="$1"
program="$2"
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

# An instance: systemd reads the template through the instance's name.
unit="$work/driftwake-host@7790.service"
sed "s#@DW_PROGRAM@#$program#g" "$template" >"$unit"
# It reports unknown keys and bad values but may still exit 0: any output
# fails. The manual page is not installed here, so it is not looked up.
said=$(systemd-analyze verify --man=no "$unit" 2>&1)
status=$?
if [ $status -ne 0 ] || [ -n "$said" ]; then
    complain "systemd-analyze verify of the template: $said"
fi

# The command line, run the way systemd runs it ("$$" a dollar sign, %i the
# instance) with a stand-in for the program that prints its arguments.
stub="$work/args"
printf '#!/bin/sh\nfor a in "$@"; do echo "$a"; done\n' >"$stub"
chmod +x "$stub"
line=$(sed -n 's/^ExecStart=//p' "$template" | sed -e "s#@DW_PROGRAM@#$stub#g" -e 's/\$\$/$/g' \
    -e 's/%i/7790/g')
[ -n "$line" ] || complain "the template has no ExecStart"
args=$(eval "$line" | tr '\n' ' ')
expected="--headless --no-announce --port 7790 --status-port 8790 "
[ "$args" = "$expected" ] || complain "the instance runs the host with '$args', not '$expected'"
# The program itself accepts that command line (it exits at once on --help).
eval "$(printf '%s' "$line" | sed "s#$stub#$program --help#")" >/dev/null ||
    complain "$program refuses the instance's command line"

# The data directory is the table's own state directory, the only place the
# hardened service may write.
state=$(sed -n 's/^StateDirectory=//p' "$template")
datadir=$(sed -n 's/^Environment=DRIFTWAKE_DATA_DIR=//p' "$template")
[ -n "$state" ] && [ "$datadir" = "%S/$state" ] ||
    complain "the data directory '$datadir' is not the state directory '$state'"
case "$state" in
*%i*) ;;
*) complain "the tables share the state directory '$state'" ;;
esac
exit $fail
