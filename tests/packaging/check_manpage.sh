#!/bin/sh
# check_manpage.sh PAGE PROGRAM: the manual page formats without warnings and
# documents every option and the default port that PROGRAM --help names.
set -u
page="$1"
program="$2"
fail=0

if command -v groff >/dev/null 2>&1; then
    warnings=$(groff -man -ww -z "$page" 2>&1)
    if [ -n "$warnings" ]; then
        echo "groff warnings in $page:"
        echo "$warnings"
        fail=1
    fi
fi

help=$("$program" --help) || { echo "$program --help failed"; exit 1; }
# The page writes a hyphen as \- ; compare with the plain text.
text=$(sed 's/\\-/-/g' "$page")
options=$(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "no options found in --help"; exit 1; }
for opt in $options; do
    if ! printf '%s\n' "$text" | grep -q -- "$opt"; then
        echo "option $opt of --help is missing from $page"
        fail=1
    fi
done
port=$(printf '%s\n' "$help" | sed -n 's/.*(default \([0-9]*\)).*/\1/p' | head -n 1)
if [ -n "$port" ] && ! printf '%s\n' "$text" | grep -q "$port"; then
    echo "default port $port is missing from $page"
    fail=1
fi
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES; do
    if ! grep -q "^\.SH $section" "$page"; then
        echo "section $section is missing from $page"
        fail=1
    fi
done
exit $fail
