#!/usr/bin/env bash
# Installs what building, testing and running need on a fresh Debian 12 machine (run as root).
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libicu-dev
    libbenchmark-dev libsqlite3-dev
    mdbtools-dev libfreexl-dev libquazip1-qt6-dev
    clang clang-format libclang-rt-14-dev
    fonts-liberation xvfb xauth
    poppler-utils chromium zbar-tools libzint-dev
    qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
