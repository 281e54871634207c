#!/usr/bin/env bash
# Installs what is missing, builds Driftwake and starts a solo game.
# Extra arguments are passed to the game (see driftwake --help).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target driftwake

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset), so no game window can open."
    echo "Starting the headless host instead; connect to it from another machine with:"
    echo "    driftwake NAME THIS-HOST join"
    exec "$build/driftwake" --headless "$@"
fi
exec "$build/driftwake" "$@"
