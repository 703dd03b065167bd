#!/usr/bin/env bash
# Runs a Windows test program of a CMake build folder under Wine, in that folder's unit-test prefix.
set -euo pipefail
# shellcheck source=wine-env.sh
source "$(dirname -- "${BASH_SOURCE[0]}")/wine-env.sh"

[[ $# -ge 1 && -f "$1" ]] || {
    echo "usage: wine-run.sh PROGRAM [ARGS...]  (PROGRAM: a .exe inside a CMake build folder)" >&2
    exit 2
}
program=$(realpath -- "$1")
shift
root=$(dirname -- "${program}")
until [[ -f "${root}/CMakeCache.txt" ]]; do
    [[ "${root}" != / ]] || wine_die "${program} is in no CMake build folder"
    root=$(dirname -- "${root}")
done
prefix="${root}/wineprefix-unit"

# Parallel CTest jobs wait for the one job that makes the prefix instead of each running wineboot.
if [[ ! -f "${prefix}/.torvelt-prefix" ]]; then
    (
        flock -w 600 9 || wine_die "timed out waiting for ${prefix}.lock"
        [[ -f "${prefix}/.torvelt-prefix" ]] || "${TORVELT_SCRIPTS}/wine-prefix.sh" "${prefix}" \
            --recorder "${root}/tests/e2e/shutdown_recorder.exe"
    ) 9>"${prefix}.lock"
fi
wine_use_prefix "${prefix}"
# Console programs need no X server; DISPLAY passes through for those that open windows.
exec wine "${program}" "$@"
