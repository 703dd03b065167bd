#!/usr/bin/env bash
# Runs a Windows console program under Wine in the unit-test prefix and returns its exit code.
set -euo pipefail

usage() {
    cat >&2 <<'EOF'
usage: wine-run.sh PROGRAM [ARGS...]
       wine-run.sh --prepare PROGRAM

Runs the Windows program PROGRAM (a Linux path) under Wine and exits with its exit code
(Linux keeps only the low 8 bits). The prefix is $TORVELT_WINEPREFIX, else wineprefix-unit
in the build folder (the nearest folder above PROGRAM holding CMakeCache.txt), else
wineprefix-unit next to PROGRAM. A missing prefix is made with wine-prefix.sh, using the
recorder $TORVELT_SHUTDOWN_RECORDER, else the shutdown_recorder.exe found in the build folder.
--prepare only makes sure the prefix PROGRAM would run in exists, and runs nothing.
EOF
}

if [[ $# -eq 0 || "$1" == "-h" || "$1" == "--help" ]]; then
    usage
    exit 2
fi
prepare_only=false
if [[ "$1" == "--prepare" ]]; then
    prepare_only=true
    shift
    [[ $# -eq 1 ]] || { usage; exit 2; }
fi

script_dir=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd -P)
program="$1"
shift
[[ -f "${program}" ]] || { echo "wine-run: no such program '${program}'" >&2; exit 2; }
program_dir=$(cd -- "$(dirname -- "${program}")" && pwd -P)
program="${program_dir}/$(basename -- "${program}")"

build_root() {
    local dir="${program_dir}"
    while [[ "${dir}" != "/" ]]; do
        if [[ -f "${dir}/CMakeCache.txt" ]]; then
            echo "${dir}"
            return 0
        fi
        dir=$(dirname -- "${dir}")
    done
    return 1
}

if [[ -n "${TORVELT_WINEPREFIX:-}" ]]; then
    prefix="${TORVELT_WINEPREFIX}"
elif root=$(build_root); then
    prefix="${root}/wineprefix-unit"
else
    prefix="${program_dir}/wineprefix-unit"
fi

find_recorder() {
    if [[ -n "${TORVELT_SHUTDOWN_RECORDER:-}" ]]; then
        echo "${TORVELT_SHUTDOWN_RECORDER}"
        return 0
    fi
    local root found
    root=$(build_root) || return 1
    if [[ -f "${root}/tests/e2e/shutdown_recorder.exe" ]]; then
        echo "${root}/tests/e2e/shutdown_recorder.exe"
        return 0
    fi
    found=$(find "${root}" -name shutdown_recorder.exe -type f -print -quit 2>/dev/null)
    [[ -n "${found}" ]] || return 1
    echo "${found}"
}

# The marker is written last, inside the prefix, before wine-prefix.sh renames it into place:
# a prefix that has it is complete. The lock makes parallel CTest jobs wait for the one job
# that creates the prefix instead of each starting its own wineboot.
if [[ ! -f "${prefix}/.torvelt-prefix" ]]; then
    mkdir -p -- "$(dirname -- "${prefix}")"
    (
        flock -w 600 9 || { echo "wine-run: timed out waiting for ${prefix}.lock" >&2; exit 1; }
        if [[ ! -f "${prefix}/.torvelt-prefix" ]]; then
            # Only a holder of this lock builds this prefix, so a staging folder found now
            # was left by a creator that got killed (a CTest timeout sends SIGKILL).
            for stale in "$(dirname -- "${prefix}")/.$(basename -- "${prefix}").staging."*; do
                [[ -d "${stale}" ]] || continue
                WINEPREFIX="${stale}" wineserver -k >/dev/null 2>&1 || true
                rm -rf -- "${stale}"
            done
            recorder=$(find_recorder) || {
                echo "wine-run: no shutdown recorder; set TORVELT_SHUTDOWN_RECORDER" >&2
                exit 1
            }
            "${script_dir}/wine-prefix.sh" "${prefix}" --recorder "${recorder}"
        fi
    ) 9>"${prefix}.lock"
fi

if [[ "${prepare_only}" == true ]]; then
    exit 0
fi

export WINEPREFIX="${prefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# Console programs run without any X server. DISPLAY passes through untouched, so a test
# that opens windows can be wrapped in with-display.sh.
exec wine "${program}" "$@"
