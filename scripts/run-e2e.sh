#!/usr/bin/env bash
# Makes and removes the end-to-end tests' Wine prefixes and runs the test driver in one of them.
set -euo pipefail

usage() {
    cat >&2 <<'EOF'
usage: run-e2e.sh make-prefix PREFIX DPI RECORDER
       run-e2e.sh remove-prefix PREFIX
       run-e2e.sh run PREFIX DRIVER [ARGS...]

make-prefix    makes PREFIX afresh with wine-prefix.sh (whatever was there goes), at DPI dots
               per inch, with RECORDER as its shutdown.exe, and puts it into a virtual desktop
remove-prefix  ends PREFIX's Wine session and deletes it
run            runs the Windows test driver DRIVER (a Linux path) in PREFIX on a display,
               in a Wine session of its own that ends with it; $TORVELT_EXE names the
               torvelt.exe under test (a Linux path); in-session is its second half
EOF
}

die() {
    echo "run-e2e: $*" >&2
    exit 1
}

script_dir=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd -P)

export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

# Ends the prefix's wineserver and every Windows process in it: all of them were started by
# these tests, and nothing else ever runs in a test prefix.
end_session() {
    [[ -d "$1" ]] || return 0
    WINEPREFIX="$1" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$1" wineserver -w >/dev/null 2>&1 || true
}

# Only what wine-prefix.sh made (it marks a prefix once complete) is ever deleted.
remove_prefix() {
    local prefix="$1"
    if [[ -d "${prefix}" && -z "$(ls -A -- "${prefix}")" ]]; then
        rmdir -- "${prefix}"
    elif [[ -e "${prefix}" ]]; then
        [[ -f "${prefix}/.torvelt-prefix" ]] || die "'${prefix}' is no test prefix; leaving it"
        end_session "${prefix}"
        rm -rf -- "${prefix}"
    fi
}

make_prefix() {
    local prefix="$1" dpi="$2" recorder="$3"
    remove_prefix "${prefix}"
    "${script_dir}/wine-prefix.sh" "${prefix}" --dpi "${dpi}" --recorder "${recorder}"
    # Without a window manager (Xvfb) Wine's X11 driver waits up to two seconds for the window
    # manager each time a top-level window is hidden: every closed message box stalls the lock's
    # thread and its countdown loses ticks. In a virtual desktop Wine places its windows itself,
    # and focus and activation no longer depend on a window manager either.
    local regfile="${prefix}/drive_c/torvelt-e2e.reg"
    printf '%s\n' 'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' '' \
        >"${regfile}"
    env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="${prefix}" wine reg import 'C:\torvelt-e2e.reg' \
        >/dev/null 2>&1 || die "registry import failed"
    WINEPREFIX="${prefix}" wineserver -w
    rm -f -- "${regfile}"
}

run_driver() {
    local prefix="$1" driver="$2"
    shift 2
    # Listing the tests needs neither the lock nor a display, and CTest lists them before any
    # fixture has made this prefix: the unit tests' prefix serves for that.
    local arg
    for arg in "$@"; do
        if [[ "${arg}" == "--gtest_list_tests" ]]; then
            exec "${script_dir}/wine-run.sh" "${driver}" "$@"
        fi
    done
    [[ -f "${prefix}/.torvelt-prefix" ]] ||
        die "no test prefix at ${prefix}; the CTest fixture e2e.prefix-* makes it"
    # The lock launches system32\shutdown.exe: only ever where that is the prefix's recorder.
    local recorder
    recorder=$(sha256sum -- "${prefix}/drive_c/windows/system32/shutdown.exe" | cut -d ' ' -f 1)
    grep -qx "recorder=${recorder}" "${prefix}/.torvelt-prefix" ||
        die "${prefix}'s shutdown.exe is not its shutdown recorder; refusing"
    [[ -n "${TORVELT_EXE:-}" && -f "${TORVELT_EXE}" ]] ||
        die "TORVELT_EXE must name the torvelt.exe under test"
    export WINEPREFIX="${prefix}"
    export TORVELT_E2E_DPI
    TORVELT_E2E_DPI=$(sed -n 's/^dpi=//p' "${prefix}/.torvelt-prefix")
    # Wine maps the Linux root to drive Z:.
    local exe
    exe=$(cd -- "$(dirname -- "${TORVELT_EXE}")" && pwd -P)/$(basename -- "${TORVELT_EXE}")
    export TORVELT_EXE="Z:${exe//\//\\}"
    # A Wine session of its own for every run: nothing an earlier run left behind (a lock, a
    # message box, a wineserver bound to a display that is gone) can get in the way.
    end_session "${prefix}"
    exec "${script_dir}/with-display.sh" "${BASH_SOURCE[0]}" in-session "${prefix}" "${driver}" "$@"
}

# On the display: the driver, then the end of its session while the display still exists.
in_session() {
    local prefix="$1" driver="$2"
    shift 2
    local status=0
    wine "${driver}" "$@" || status=$?
    end_session "${prefix}"
    exit "${status}"
}

[[ $# -ge 1 ]] || { usage; exit 2; }
command="$1"
shift
case "${command}" in
    make-prefix)
        [[ $# -eq 3 ]] || { usage; exit 2; }
        make_prefix "$@"
        ;;
    remove-prefix)
        [[ $# -eq 1 ]] || { usage; exit 2; }
        remove_prefix "$1"
        ;;
    run)
        [[ $# -ge 2 ]] || { usage; exit 2; }
        run_driver "$@"
        ;;
    in-session)
        in_session "$@"
        ;;
    -h | --help)
        usage
        ;;
    *)
        usage
        exit 2
        ;;
esac
