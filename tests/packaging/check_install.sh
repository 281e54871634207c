#!/bin/sh
# check_install.sh BUILD STAGE GAMESDIR: installs the build into STAGE (the
# program into STAGE/GAMESDIR) and checks that the installed files are
# complete and name each other consistently: the desktop entry's program and
# icon, the metainfo's launchable, binary and file name, the icon sizes, the
# manual page, the service's program, the copyright file and the changelog;
# and the same of the lobby, driftwake-lobby: program, desktop entry, manual
# page and the advertiser unit.
# The validators run where they are installed.
set -u
build="$1"
stage="$2"
bin="$stage/$3"
fail=0
complain() {
    echo "$*"
    fail=1
}

rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null || { echo "install failed"; exit 1; }

apps="$stage/share/applications"
desktop="$apps/driftwake.desktop"
metainfo="$stage/share/metainfo/io.github.driftwake.Driftwake.metainfo.xml"
doc="$stage/share/doc/driftwake"
service="$doc/examples/driftwake-host.service"
template="$doc/examples/driftwake-host@.service"
for f in "$desktop" "$metainfo" "$service" "$template" "$doc/copyright" "$doc/changelog.gz"; do
    [ -f "$f" ] || complain "not installed: $f"
done
[ -x "$bin/driftwake" ] || complain "not installed or not executable: $bin/driftwake"
[ -x "$bin/driftwake-lobby" ] || complain "not installed or not executable: $bin/driftwake-lobby"
lobby_desktop="$apps/driftwake-lobby.desktop"
advertise="$doc/examples/driftwake-advertise@.service"
for f in "$lobby_desktop" "$advertise"; do
    [ -f "$f" ] || complain "not installed: $f"
done
[ $fail -eq 0 ] || exit 1

# The lobby's desktop entry -> its program, with the game's icon.
exec_word=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$lobby_desktop")
[ "$exec_word" = "driftwake-lobby" ] && [ -x "$bin/$exec_word" ] ||
    complain "the lobby's Exec=$exec_word is not the installed lobby"
[ "$(sed -n 's/^Icon=//p' "$lobby_desktop")" = "$(sed -n 's/^Icon=//p' "$desktop")" ] ||
    complain "the lobby's desktop entry does not use the game's icon"
grep -q "^ExecStart=.*'exec $bin/driftwake-lobby --server " "$advertise" ||
    complain "the advertiser unit does not start the installed lobby $bin/driftwake-lobby"

# Desktop entry -> program and icon.
exec_word=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$bin/$exec_word" ] || complain "Exec=$exec_word is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -n "$icon" ] || complain "the desktop entry names no icon"

# Every size as a square PNG of that size (width and height from the header).
be32() { od -An -tu1 -j "$2" -N4 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }'; }
for size in 16 22 24 32 48 64 128 256; do
    png="$stage/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    if [ ! -f "$png" ]; then
        complain "missing icon $png"
        continue
    fi
    magic=$(od -An -c -j1 -N3 "$png" | tr -d ' ')
    [ "$magic" = "PNG" ] || complain "$png is not a PNG file"
    w=$(be32 "$png" 16)
    h=$(be32 "$png" 20)
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || complain "$png is ${w}x${h}, not ${size}x${size}"
done

# Metainfo -> its own file name, the desktop entry and the program.
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || complain "metainfo file name does not match id $id"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -f "$apps/$launchable" ] || complain "launchable $launchable is not an installed desktop entry"
binary=$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo")
[ -x "$bin/$binary" ] || complain "provided binary $binary is not installed"

# The service starts the installed program by its full path, wherever the
# prefix put it.
start=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$service")
[ "$start" = "$bin/driftwake" ] || complain "ExecStart=$start is not the installed program $bin/driftwake"
grep -q -- '--headless' "$service" || complain "the service does not start the headless host"
grep -q "^ExecStart=.*'exec $bin/driftwake --headless " "$template" ||
    complain "the table template does not start the installed program $bin/driftwake --headless"

# Manual pages, compressed or not, in section 6.
for page in driftwake driftwake-lobby; do
    man=$(ls "$stage/share/man/man6/$page.6"* 2>/dev/null | head -n 1)
    if [ -z "$man" ]; then
        complain "manual page $page.6 not installed"
    elif command -v man >/dev/null 2>&1; then
        MANWIDTH=80 man -l "$man" 2>/dev/null | grep -q "^ *$page - " ||
            complain "$man does not render"
    fi
done

# The changelog is the repository's, compressed without name or time stamp.
if ! gzip -dc "$doc/changelog.gz" | cmp -s - "$(dirname "$0")/../../changelog"; then
    complain "$doc/changelog.gz is not the repository's changelog"
fi
[ "$(od -An -tu1 -j4 -N4 "$doc/changelog.gz" | tr -d ' ')" = "0000" ] ||
    complain "$doc/changelog.gz carries a time stamp"

# The tree as a software centre reads it, and the service as systemd reads it
# (it names the staged program; the manual page is the staged one).
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate-tree --no-net "$stage" || complain "appstreamcli validate-tree failed"
fi
if command -v systemd-analyze >/dev/null 2>&1; then
    # It reports unknown keys and bad values but still exits 0: any output fails.
    said=$(MANPATH="$stage/share/man" systemd-analyze verify "$service" 2>&1)
    status=$?
    if [ $status -ne 0 ] || [ -n "$said" ]; then
        complain "systemd-analyze verify of the service: $said"
    fi
    instance="$stage/driftwake-host@7790.service"
    cp "$template" "$instance"
    said=$(MANPATH="$stage/share/man" systemd-analyze verify "$instance" 2>&1)
    status=$?
    rm -f "$instance"
    if [ $status -ne 0 ] || [ -n "$said" ]; then
        complain "systemd-analyze verify of the table template: $said"
    fi
fi

# The installed programs run.
"$bin/driftwake" --help >/dev/null || complain "installed driftwake --help failed"
"$bin/driftwake-lobby" --help >/dev/null || complain "installed driftwake-lobby --help failed"
exit $fail
