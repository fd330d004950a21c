#!/usr/bin/env bash
# Installs the Debian packages Tarnwick needs to build, run and test, and nothing that is already there.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools
    qt6-webengine-dev qt6-svg-dev libqt6svg6 qt6-image-formats-plugins
    xvfb xauth fonts-dejavu-core
    libqt6sql6-sqlite poppler-utils
    libreoffice-writer-nogui
    curl xdotool
    dpkg-dev desktop-file-utils appstream
    libhunspell-dev hunspell-en-us
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
