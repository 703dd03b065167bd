#!/usr/bin/env bash
# Runs a command on a private virtual display (Xvfb) that ends with it, never on a desktop in use.
set -euo pipefail
# shellcheck source=wine-env.sh
source "$(dirname -- "${BASH_SOURCE[0]}")/wine-env.sh"
[[ $# -gt 0 ]] || { echo "usage: with-display.sh COMMAND [ARGS...]" >&2; exit 2; }

# Even when DISPLAY is set: tests type and click, and must never do so into a developer's desktop.
workdir=$(mktemp -d "${TMPDIR:-/tmp}/with-display.XXXXXX")
xvfb=""
# shellcheck disable=SC2317  # reached through the EXIT trap
cleanup() {
    if [[ -n "${xvfb}" ]]; then
        kill "${xvfb}" 2>/dev/null || true
        for _ in {1..50}; do
            kill -0 "${xvfb}" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "${xvfb}" 2>/dev/null || true
        wait "${xvfb}" 2>/dev/null || true
    fi
    rm -rf -- "${workdir}"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb picks a free display number itself (atomically, through its lock file), so parallel jobs
# never race for one, and writes it to the pipe once it accepts connections.
mkfifo "${workdir}/displayfd"
Xvfb -displayfd 3 -screen 0 "${TORVELT_SCREEN}x24" -nolisten tcp -noreset \
    3>"${workdir}/displayfd" >"${workdir}/xvfb.log" 2>&1 &
xvfb=$!
number=""
if ! read -r -t 30 number <"${workdir}/displayfd" || [[ -z "${number}" ]]; then
    cat -- "${workdir}/xvfb.log" >&2
    wine_die "Xvfb gave no display within 30 s"
fi
export DISPLAY=":${number}"
unset WAYLAND_DISPLAY

status=0
"$@" || status=$?
exit "${status}"
