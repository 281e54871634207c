#!/bin/sh
# check_release.sh SOURCE VERSION: the release facts that several files
# repeat agree with each other: the changelog's newest entry, the project
# VERSION and the metainfo's newest release; the licence of the copyright
# file and the metainfo; the metainfo's screenshots and the images in docs/.
set -u
src="$1"
version="$2"
changelog="$src/changelog"
copyright="$src/packaging/copyright"
metainfo="$src/packaging/io.github.driftwake.Driftwake.metainfo.xml"
fail=0
complain() {
    echo "$*"
    fail=1
}

# The changelog parses without a complaint, and its newest entry is this
# version.
if command -v dpkg-parsechangelog >/dev/null 2>&1; then
    said=$(dpkg-parsechangelog -l "$changelog" --all 2>&1 >/dev/null)
    [ -z "$said" ] || complain "dpkg-parsechangelog: $said"
    top=$(dpkg-parsechangelog -l "$changelog" -S Version)
    stamp=$(dpkg-parsechangelog -l "$changelog" -S Timestamp)
else
    top=$(sed -n '1s/^driftwake (\([^)]*\)).*/\1/p' "$changelog")
    stamp=$(date -d "$(sed -n 's/^ -- .*>  //p' "$changelog" | head -n 1)" +%s)
fi
[ "$top" = "$version" ] || complain "changelog's newest entry is $top, the project is $version"
day=$(date -u -d "@$stamp" +%Y-%m-%d)

# The metainfo's newest release is the changelog's newest entry, same day.
release=$(grep -m 1 '<release ' "$metainfo")
rel_version=$(printf '%s\n' "$release" | sed -n 's/.*version="\([^"]*\)".*/\1/p')
rel_date=$(printf '%s\n' "$release" | sed -n 's/.*date="\([^"]*\)".*/\1/p')
[ "$rel_version" = "$top" ] || complain "metainfo's newest release is $rel_version, the changelog's $top"
[ "$rel_date" = "$day" ] || complain "metainfo dates $rel_version $rel_date, the changelog $day"

# Copyright file: the machine-readable format; every file paragraph under
# the licence the metainfo names (MIT in SPDX, Expat in Debian's names),
# whose text stands in a paragraph of its own.
head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    complain "$copyright does not begin with the copyright format's Format line"
grep -q '<project_license>MIT</project_license>' "$metainfo" ||
    complain "the metainfo's project_license is not MIT"
licences=$(awk '/^Files:/ { files = 1 } /^$/ { files = 0 }
                files && /^License:/ { print $2 }' "$copyright" | sort -u)
[ "$licences" = "Expat" ] || complain "file paragraphs of $copyright name licences '$licences', not Expat"
awk '/^$/ { start = 1; next } start && /^License: Expat$/ { found = 1 } { start = 0 }
     END { exit !found }' "$copyright" || complain "$copyright has no paragraph with the Expat text"
for part in code artwork sounds; do
    grep -qi "$part" "$copyright" || complain "$copyright does not speak of the $part"
done

# Screenshots: under the homepage's docs/, each an image of docs/ of the
# stated size.
home=$(sed -n 's:.*<url type="homepage">\(.*\)</url>.*:\1:p' "$metainfo")
be32() { od -An -tu1 -j "$2" -N4 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }'; }
shots=$(grep '<image ' "$metainfo")
[ -n "$shots" ] || complain "the metainfo shows no screenshot"
printf '%s\n' "$shots" | while read -r line; do
    url=$(printf '%s\n' "$line" | sed -n 's:.*>\(.*\)</image>.*:\1:p')
    w=$(printf '%s\n' "$line" | sed -n 's/.*width="\([0-9]*\)".*/\1/p')
    h=$(printf '%s\n' "$line" | sed -n 's/.*height="\([0-9]*\)".*/\1/p')
    case "$url" in
    "${home}docs/"*) ;;
    *) echo "screenshot $url is not under ${home}docs/"; exit 1 ;;
    esac
    png="$src/docs/${url#"${home}docs/"}"
    [ -f "$png" ] || { echo "screenshot $url has no image $png"; exit 1; }
    [ "$(be32 "$png" 16)x$(be32 "$png" 20)" = "${w}x${h}" ] ||
        { echo "$png is not ${w}x${h} as the metainfo says"; exit 1; }
done || fail=1
exit $fail
