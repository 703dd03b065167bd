#!/usr/bin/env bash
# Runs a command with a working X display, starting a private Xvfb only when there is none.
set -euo pipefail

usage() {
    echo "usage: $(basename "$0") COMMAND [ARGS...]" >&2
    echo "Runs COMMAND with DISPLAY set; starts a private 1024x768x24 Xvfb when needed." >&2
}

if [[ $# -eq 0 ]]; then
    usage
    exit 2
fi

# Bound every wait so a broken X server fails the run instead of hanging CTest.
readonly STARTUP_SECONDS=${TORVELT_XVFB_TIMEOUT:-30}

display_answers() {
    timeout 10 xdpyinfo -display "$1" >/dev/null 2>&1
}

# Nested use and a developer's own desktop: reuse what already works.
if [[ -n "${DISPLAY:-}" ]] && display_answers "${DISPLAY}"; then
    exec "$@"
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/with-display.XXXXXX")
xvfb_pid=""

# shellcheck disable=SC2317  # reached through the EXIT trap, which shellcheck cannot see
cleanup() {
    if [[ -n "${xvfb_pid}" ]] && kill -0 "${xvfb_pid}" 2>/dev/null; then
        kill "${xvfb_pid}" 2>/dev/null || true
        # Bounded: Xvfb normally leaves within milliseconds of SIGTERM.
        for _ in $(seq 1 50); do
            kill -0 "${xvfb_pid}" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "${xvfb_pid}" 2>/dev/null || true
        wait "${xvfb_pid}" 2>/dev/null || true
    fi
    rm -rf "${workdir}"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# -displayfd lets Xvfb claim a free display number itself, atomically through its lock
# file, so parallel CTest jobs never race for the same number.
mkfifo "${workdir}/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"${workdir}/displayfd" >"${workdir}/xvfb.log" 2>&1 &
xvfb_pid=$!

display_number=""
if ! read -r -t "${STARTUP_SECONDS}" display_number <"${workdir}/displayfd" ||
    [[ -z "${display_number}" ]]; then
    echo "with-display: Xvfb did not report a display within ${STARTUP_SECONDS}s" >&2
    cat "${workdir}/xvfb.log" >&2 || true
    exit 1
fi
export DISPLAY=":${display_number}"

deadline=$((SECONDS + STARTUP_SECONDS))
until display_answers "${DISPLAY}"; do
    if ((SECONDS >= deadline)) || ! kill -0 "${xvfb_pid}" 2>/dev/null; then
        echo "with-display: Xvfb on ${DISPLAY} does not answer" >&2
        cat "${workdir}/xvfb.log" >&2 || true
        exit 1
    fi
    sleep 0.1
done

status=0
"$@" || status=$?
exit "${status}"
