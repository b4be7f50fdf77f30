#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Robustez.
# A no-op when they are all present.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-svg-dev qt6-translations-l10n libgl-dev
    fonts-liberation2 fonts-dejavu-core poppler-utils xvfb xauth
    xdotool openbox x11-utils x11-xkb-utils python3 file
    g++-mingw-w64-x86-64-posix wine64 googletest
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
