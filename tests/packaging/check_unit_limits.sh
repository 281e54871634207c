#!/bin/sh
# check_unit_limits.sh TEMPLATE SINGLE PROGRAM WORK: the single-table unit
# keeps a table in the same bounds as the template for many tables: the same
# memory and task limits, and every hardening line of the template; and
# systemd-analyze verify (where installed) reports nothing about it.
set -u
template="$1"
single="$2"
program="$3"
work="$4"
fail=0
complain() {
    echo "$*"
    fail=1
}

for key in MemoryHigh MemoryMax TasksMax; do
    want=$(sed -n "s/^$key=//p" "$template")
    have=$(sed -n "s/^$key=//p" "$single")
    [ -n "$want" ] || complain "the template sets no $key"
    [ "$want" = "$have" ] || complain "$single sets $key='$have', the template '$want'"
done
# The hardening: the lines after the template's "# Hardening" comment up to
# the next section.
sed -n '/^# Hardening/,/^\[/p' "$template" | grep -v '^#\|^\[\|^$' >"${TMPDIR:-/tmp}/dw-hardening.$$"
while IFS= read -r line; do
    grep -qxF -- "$line" "$single" || complain "$single lacks '$line'"
done <"${TMPDIR:-/tmp}/dw-hardening.$$"
rm -f "${TMPDIR:-/tmp}/dw-hardening.$$"

if command -v systemd-analyze >/dev/null 2>&1; then
    rm -rf "$work"
    mkdir -p "$work"
    sed "s#@DW_PROGRAM@#$program#g" "$single" >"$work/driftwake-host.service"
    said=$(systemd-analyze verify --man=no "$work/driftwake-host.service" 2>&1)
    status=$?
    if [ $status -ne 0 ] || [ -n "$said" ]; then
        complain "systemd-analyze verify of $single: $said"
    fi
fi
exit $fail
