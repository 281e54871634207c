#!/bin/sh
# check_help_options.sh README PROGRAM: the options PROGRAM --help lists are
# exactly those in the first column of the README's options table, so that
# neither names an option the other lacks.
set -u
readme="$1"
program="$2"

help=$("$program" --help) || { echo "$program --help failed"; exit 1; }
# --help: each option begins a line, indented by two spaces.
from_help=$(printf '%s\n' "$help" | sed -n 's/^  \(--[a-z][a-z-]*\).*/\1/p' | sort -u)
# The README: the table that follows the line "Options (only the words
# below…", its rows beginning with "| `--word".
from_readme=$(awk '/^Options \(only the words below/ { found = 1; next }
    found && /^\|/ { table = 1; print; next }
    table { exit }' "$readme" | sed -n 's/^| `\(--[a-z][a-z-]*\).*/\1/p' | sort -u)
[ -n "$from_help" ] || { echo "no options found in --help"; exit 1; }
[ -n "$from_readme" ] || { echo "no options table found in $readme"; exit 1; }
if [ "$from_help" != "$from_readme" ]; then
    echo "--help and the options table of $readme differ:"
    for opt in $from_help; do
        printf '%s\n' "$from_readme" | grep -qx -- "$opt" || echo "  $opt: in --help, not in the README"
    done
    for opt in $from_readme; do
        printf '%s\n' "$from_help" | grep -qx -- "$opt" || echo "  $opt: in the README, not in --help"
    done
    exit 1
fi
exit 0
