#!/usr/bin/env bash
# Installs what is missing, builds Driftwake with AddressSanitizer and
# UndefinedBehaviorSanitizer (warnings are errors) and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${DRIFTWAKE_TEST_BUILD:-$root/build-test}"

"$root/scripts/deps.sh"
# ccache (from deps.sh) keeps repeated builds short (the package
# check builds the program a second time, and picks this up too).
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDRIFTWAKE_SANITIZE=ON -DDRIFTWAKE_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" "$@"
