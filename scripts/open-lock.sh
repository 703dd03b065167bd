#!/usr/bin/env bash
# Builds torvelt.exe and opens the lock under Wine in a prefix of its own, on the display or on a virtual one.
set -euo pipefail
cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.."
# shellcheck source=wine-env.sh
source scripts/wine-env.sh
scripts/install-deps.sh

cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)" --target torvelt shutdown_recorder
build="${PWD}/build/mingw"
exe="${build}/window/torvelt.exe"

# The lock's shutdown command only ever reaches the recorder inside this prefix.
prefix="${build}/wineprefix-demo"
[[ -f "${prefix}/.torvelt-prefix" ]] ||
    scripts/wine-prefix.sh "${prefix}" --recorder "${build}/tests/e2e/shutdown_recorder.exe"
wine_use_prefix "${prefix}"

# Here, unlike in the tests, the user's own display is the point.
if [[ -n "${DISPLAY:-}" ]] && timeout 10 xdotool getdisplaygeometry >/dev/null 2>&1; then
    echo "Opening the lock on ${DISPLAY}. Its password store: HKCU\\Software\\WindowsStart in ${prefix}."
    echo "Shutdowns it asks for are written to ${prefix}/drive_c/shutdown-recorder.log."
    exec wine "${exe}"
fi

# No display: open it on a virtual one and keep a picture of it.
screenshot="${build}/torvelt-screenshot.png"
# shellcheck disable=SC2016  # expanded by the inner bash
scripts/with-display.sh bash -c '
    wine "$1" &
    for _ in {1..120}; do
        xdotool search --name "^Windows Start$" >/dev/null 2>&1 && break
        sleep 0.25
    done
    sleep 1
    import -window root "$2"
    wineserver -k' _ "${exe}" "${screenshot}"
convert "${screenshot}" -trim +repage "${screenshot}"
echo "No display here: the lock was opened on a virtual display; its picture is ${screenshot}"
