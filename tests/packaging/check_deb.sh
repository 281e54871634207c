#!/bin/sh
# check_deb.sh SOURCE WORK: builds the Debian package as a packager does (a
# default configure, only the files the package installs, cpack -G DEB) in
# WORK, and checks it: lintian reports no error and no warning, and the
# package holds the game and the lobby where Debian keeps games, with their
# desktop entries, service, table template, advertiser unit, copyright file
# and changelog naming each other; it depends on the runtime libraries the
# programs link (libstrophe0, libqt6keychain1) and on no development
# package. Skipped (77) where lintian is not installed.
set -u
src="$1"
work="$2"
fail=0
complain() {
    echo "$*"
    fail=1
}

if ! command -v lintian >/dev/null 2>&1; then
    echo "lintian is not installed; skipping"
    exit 77
fi

# The default build type, as a packager's plain configure has it; no tests,
# warnings are errors as in every build of the project. The package needs
# only the program, the icons and the compressed texts, not the whole tree.
mkdir -p "$work"
build="$work/build"
cmake -S "$src" -B "$build" -G Ninja -DBUILD_TESTING=OFF -DDRIFTWAKE_WERROR=ON \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log"; exit 1; }
cmake --build "$build" -j "$(nproc)" --target driftwake-installables >"$work/build.log" 2>&1 ||
    { tail -n 60 "$work/build.log"; exit 1; }
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$build"/*.deb)

# Every tag lintian knows, informational ones shown too; errors and warnings
# fail (lintian says "running with root privileges is not recommended" to
# root: that is about lintian, not the package).
lintian --fail-on error,warning --display-info "$deb" 2>&1 | grep -v 'running with root privileges'
[ "$(lintian --fail-on none "$deb" 2>/dev/null | grep -c '^[EW]:')" = 0 ] ||
    complain "lintian reports errors or warnings on $deb"

# What the package installs, unpacked.
root="$work/root"
rm -rf "$root"
dpkg-deb -x "$deb" "$root" || { echo "cannot unpack $deb"; exit 1; }
[ -x "$root/usr/games/driftwake" ] || complain "the package has no /usr/games/driftwake"
[ ! -e "$root/usr/bin" ] || complain "the package installs into /usr/bin: $(ls "$root/usr/bin")"
exec_word=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/usr/share/applications/driftwake.desktop")
[ -x "$root/usr/games/$exec_word" ] || complain "the desktop entry's Exec=$exec_word is not in /usr/games"
service="$root/usr/share/doc/driftwake/examples/driftwake-host.service"
start=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$service")
[ "$start" = "/usr/games/driftwake" ] || complain "the service starts $start, not /usr/games/driftwake"
grep -q "^ExecStart=.*'exec /usr/games/driftwake --headless " \
    "$root/usr/share/doc/driftwake/examples/driftwake-host@.service" ||
    complain "the package has no table template starting /usr/games/driftwake --headless"
# The container recipe starts the program where the package puts it.
image_program=$(sed -n 's/^ENTRYPOINT \["\([^"]*\)".*/\1/p' "$src/packaging/Containerfile")
[ -n "$image_program" ] && [ -x "$root$image_program" ] ||
    complain "the container starts '$image_program', which the package does not install"
[ -x "$root/usr/games/driftwake-lobby" ] || complain "the package has no /usr/games/driftwake-lobby"
lobby_exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/usr/share/applications/driftwake-lobby.desktop")
[ "$lobby_exec" = driftwake-lobby ] ||
    complain "the lobby's desktop entry starts '$lobby_exec', not driftwake-lobby"
[ -f "$root/usr/share/man/man6/driftwake-lobby.6.gz" ] ||
    complain "the package has no manual page driftwake-lobby.6.gz"
grep -q "^ExecStart=.*'exec /usr/games/driftwake-lobby --server " \
    "$root/usr/share/doc/driftwake/examples/driftwake-advertise@.service" ||
    complain "the package has no advertiser unit starting /usr/games/driftwake-lobby"
# The dependencies: the libraries the programs link, as dpkg-shlibdeps
# found them, and nothing made for building.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libstrophe0 libqt6keychain1 libqt6widgets6; do
    printf '%s\n' "$depends" | grep -q "\b$lib\b" || complain "the package does not depend on $lib"
done
printf '%s\n' "$depends" | tr ',' '\n' | grep -e '-dev\b' -e 'prosody' &&
    complain "the package depends on a development or test package"
cmp -s "$root/usr/share/doc/driftwake/copyright" "$src/packaging/copyright" ||
    complain "the package's copyright file is not packaging/copyright"
gzip -dc "$root/usr/share/doc/driftwake/changelog.gz" | cmp -s - "$src/changelog" ||
    complain "the package's changelog.gz is not the repository's changelog"
exit $fail
