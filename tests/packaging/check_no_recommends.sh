#!/bin/sh
# check_no_recommends.sh SOURCE: every apt-get install that the scripts, the
# continuous integration, the container recipe and the README run or show
# passes --no-install-recommends, so that only what is needed is installed.
set -u
src="$1"
found=$(cd "$src" && grep -rn 'apt-get install' .ci scripts packaging README.md |
    grep -v -- '--no-install-recommends')
if [ -n "$found" ]; then
    echo "apt-get install without --no-install-recommends:"
    echo "$found"
    exit 1
fi
exit 0
