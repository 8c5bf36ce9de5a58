#!/usr/bin/env bash
# Installs what building, testing and running ZEVO needs on Debian 12 (run as root or with
# sudo available). Installs nothing that is already there. Arguments name further packages
# that a script needs beside these (the fuzz targets' compiler, for instance).
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev libgtest-dev libgmock-dev xvfb xauth
          procps iproute2 fonts-dejavu-core libquickfix-dev openbox x11-utils clang-format groff-base
          lintian desktop-file-utils systemd prometheus prometheus-node-exporter acl attr dbus-daemon
          libgit2-dev pkg-config git ansible-core
          "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
