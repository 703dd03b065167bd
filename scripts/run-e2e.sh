#!/usr/bin/env bash
# Makes and removes the end-to-end tests' Wine prefixes and runs the test driver in one of them.
set -euo pipefail
# shellcheck source=wine-env.sh
source "$(dirname -- "${BASH_SOURCE[0]}")/wine-env.sh"

usage() {
    cat >&2 <<'EOF'
usage: run-e2e.sh make-prefix PREFIX DPI RECORDER
       run-e2e.sh remove-prefix PREFIX
       run-e2e.sh run PREFIX DRIVER [ARGS...]
       run-e2e.sh once PREFIX DPI RECORDER DRIVER [ARGS...]

make-prefix    makes PREFIX afresh with wine-prefix.sh (whatever was there goes), at DPI dots
               per inch, with RECORDER as its shutdown.exe, drawing into a Wine desktop
remove-prefix  ends PREFIX's Wine session and deletes it
run            runs the Windows test driver DRIVER (a Linux path) in PREFIX on a private
               display, in a Wine session of its own that ends with it; $TORVELT_EXE names the
               torvelt.exe under test (a Linux path); in-session is its second half
once           make-prefix, run and remove-prefix in one, with the exit status of run
EOF
    exit 2
}

# Only what wine-prefix.sh made (it marks a prefix once complete) is ever deleted.
remove_prefix() {
    [[ -e "$1" ]] || return 0
    [[ -f "$1/.torvelt-prefix" ]] || rmdir -- "$1" 2>/dev/null ||
        wine_die "'$1' is no test prefix; leaving it"
    wine_end_session "$1"
    rm -rf -- "$1"
}

run_driver() {
    local prefix="$1" driver="$2"
    shift 2
    wine_use_prefix "${prefix}"
    [[ -f "${TORVELT_EXE:-}" ]] || wine_die "TORVELT_EXE must name the torvelt.exe under test"
    TORVELT_EXE=$(wine_path "${TORVELT_EXE}")
    TORVELT_E2E_DPI=$(sed -n 's/^dpi=//p' "${prefix}/.torvelt-prefix")
    export TORVELT_EXE TORVELT_E2E_DPI
    # A Wine session of its own for every run: nothing an earlier run left behind (a lock, a
    # message box, a wineserver bound to a display that is gone) can get in the way.
    wine_end_session "${prefix}"
    exec "${TORVELT_SCRIPTS}/with-display.sh" "$0" in-session "${prefix}" "${driver}" "$@"
}

# On the display: the driver, then the end of its session while the display still exists.
in_session() {
    local prefix="$1" driver="$2" status=0
    shift 2
    wine_use_prefix "${prefix}"
    wine "${driver}" "$@" || status=$?
    wine_end_session "${prefix}"
    exit "${status}"
}

case "${1:-}" in
    make-prefix)
        [[ $# -eq 4 ]] || usage
        remove_prefix "$2"
        "${TORVELT_SCRIPTS}/wine-prefix.sh" "$2" --dpi "$3" --recorder "$4" --desktop
        ;;
    remove-prefix)
        [[ $# -eq 2 ]] || usage
        remove_prefix "$2"
        ;;
    run)
        [[ $# -ge 3 ]] || usage
        shift
        run_driver "$@"
        ;;
    once)
        # A test run of its own: the prefix made afresh, the driver run in it, the prefix removed.
        [[ $# -ge 5 ]] || usage
        status=0
        "$0" make-prefix "$2" "$3" "$4" && "$0" run "$2" "${@:5}" || status=$?
        remove_prefix "$2"
        exit "${status}"
        ;;
    in-session)
        [[ $# -ge 3 ]] || usage
        shift
        in_session "$@"
        ;;
    *) usage ;;
esac
