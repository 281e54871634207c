#!/bin/sh
# run_if_present.sh TOOL ARGS...: runs TOOL, or exits 77 (skipped) when the
# tool is not installed.
tool="$1"
shift
if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool is not installed; skipping"
    exit 77
fi
exec "$tool" "$@"
