#!/usr/bin/env bash
# Installs the Debian 12 packages Driftwake needs to build, run and test.
# Only missing packages are installed; run as root or with sudo available.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-httpserver-dev qt6-websockets-dev
    qt6-qpa-plugins libgl-dev
    googletest libgtest-dev
    xvfb xauth
    libminiupnpc-dev
    desktop-file-utils appstream
    dpkg-dev file lintian systemd
    clang-14 libclang-rt-14-dev
    valgrind
    ccache
    iproute2 iptables
    libstrophe-dev qtkeychain-qt6-dev
    prosody openssl
    python3
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
        sudo="sudo"
    else
        echo "Please run as root (or install sudo) to install: ${missing[*]}" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
