#!/usr/bin/env bash
# Installs the build, cross-build, Wine test and style-check tools on Debian 12 or Ubuntu, only those missing.
set -euo pipefail

packages=(
    cmake make g++ googletest libgtest-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64
    # Wine's Tahoma, MS Sans Serif and Marlett; only recommended by wine, and without them
    # dialogs render in whatever fallback font the machine happens to have.
    fonts-wine
    # The fallback for every face Wine does not ship itself.
    fonts-dejavu-core
    xvfb xdotool imagemagick
    clang-format shellcheck
    # makensis and its 64-bit stubs for the installer.
    nsis
    # The API that the installer's own plugin is built against.
    nsis-pluginapi
    # Signing the release, and the release test's throwaway (and expired) certificates and its
    # time-stamp server (openssl ts behind a small HTTP responder in Python).
    osslsigncode openssl faketime python3
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f '${Status}' "${package}" 2>/dev/null | grep -q 'ok installed' ||
        missing+=("${package}")
done
[[ ${#missing[@]} -gt 0 ]] || exit 0

as_root=()
if [[ ${EUID} -ne 0 ]]; then
    command -v sudo >/dev/null || {
        echo "install-deps: not root and no sudo; please install: ${missing[*]}" >&2
        exit 1
    }
    as_root=(sudo)
fi
echo "install-deps: installing ${missing[*]}" >&2
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
