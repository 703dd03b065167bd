#!/usr/bin/env bash
# Creates a fresh throwaway Wine prefix whose shutdown.exe is the harmless shutdown recorder.
set -euo pipefail
# shellcheck source=wine-env.sh
source "$(dirname -- "${BASH_SOURCE[0]}")/wine-env.sh"

usage() {
    cat >&2 <<'EOF'
usage: wine-prefix.sh PREFIX --recorder PATH [--dpi N] [--desktop]

Creates the Wine prefix PREFIX (it must not exist yet, or be an empty folder):
  --recorder PATH  shutdown recorder .exe installed as C:\windows\system32\shutdown.exe
  --dpi N          screen resolution in dots per inch (default: Wine's 96)
  --desktop        Wine draws every window into a desktop window of its own
The prefix appears under its name only once it is complete and its recorder verified.
EOF
    exit 2
}

prefix="" recorder="" dpi=96 desktop=false
while [[ $# -gt 0 ]]; do
    case "$1" in
        --recorder) [[ $# -ge 2 ]] || usage; recorder="$2"; shift 2 ;;
        --dpi) [[ $# -ge 2 ]] || usage; dpi="$2"; shift 2 ;;
        --desktop) desktop=true; shift ;;
        -* | "") usage ;;
        *) [[ -z "${prefix}" ]] || usage; prefix="$1"; shift ;;
    esac
done
[[ -n "${prefix}" && -n "${recorder}" ]] || usage

# Checked before anything is created: a prefix whose shutdown.exe is Wine's own must never
# exist, since the program under test launches it.
[[ "$(head -c 2 -- "${recorder}" 2>/dev/null)" == "MZ" ]] ||
    wine_die "shutdown recorder '${recorder}' is no Windows executable; refusing"
if ! [[ "${dpi}" =~ ^[1-9][0-9]*$ ]] || ((dpi < 48 || dpi > 480)); then
    wine_die "--dpi wants a number from 48 to 480, not '${dpi}'"
fi
mkdir -p -- "$(dirname -- "${prefix}")"
prefix=$(realpath -- "$(dirname -- "${prefix}")")/$(basename -- "${prefix}")
[[ ! -e "${prefix}" ]] || rmdir -- "${prefix}" 2>/dev/null ||
    wine_die "'${prefix}' already exists; a prefix is only ever made fresh"

# Built under another name and renamed at the end, so nobody ever sees a half-made prefix under
# the real name (the prefix holds no absolute path of itself). Callers never make the same prefix
# twice at once, so a staging folder found here was left by a creator that got killed.
staging="$(dirname -- "${prefix}")/.$(basename -- "${prefix}").staging"
# shellcheck disable=SC2317  # reached through the EXIT trap
cleanup() {
    wine_end_session "${staging}"
    rm -rf -- "${staging}"
}
cleanup
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
export WINEPREFIX="${staging}"
# wineboot links Desktop, Documents, ... to $HOME and writes XDG menus there: a private HOME
# keeps the real one untouched. No display: no window of this script opens anywhere.
export HOME="${staging}/.home" XDG_CONFIG_HOME="${staging}/.home" XDG_DATA_HOME="${staging}/.home"
unset DISPLAY WAYLAND_DISPLAY
mkdir -p -- "${HOME}"
if ! timeout 300 wine wineboot --init >"${staging}/.log" 2>&1 || ! timeout 300 wineserver -w; then
    cat -- "${staging}/.log" >&2
    wine_die "wineboot failed"
fi
# The user's shell folders point into that HOME: plain folders keep what a test saves inside.
for link in "${staging}"/drive_c/users/*/*; do
    if [[ -L "${link}" ]]; then
        rm -f -- "${link}"
        mkdir -p -- "${link}"
    fi
done
wine_install_fonts "${staging}/drive_c"

system32="${staging}/drive_c/windows/system32"
[[ -f "${system32}/shutdown.exe" ]] || wine_die "the new prefix has no system32/shutdown.exe"
cp -f -- "${recorder}" "${system32}/shutdown.exe"

# Wine prefers its builtin over a native copy of a system32 program; "native" alone (no builtin
# fallback) makes a missing recorder fail loudly instead. winemenubuilder stays off also for
# Wine started here by hand, so no menu entries or file associations reach the host. An empty
# AeDebug debugger (not a missing one: Wine then falls back to winedbg) lets a crashing program
# end with its exception code; with winedbg attached Wine sometimes reports 0, which would turn
# a crashing test green.
# LogPixels: Wine 8 reads HKCU\Control Panel\Desktop first and falls back to the hardware
# profile's Fonts key; both are set so that nothing disagrees.
hex=$(printf '%08x' "${dpi}")
{
    printf '%s\n' 'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Wine\DllOverrides]' '"shutdown.exe"="native"' \
        '"winemenubuilder.exe"=""' '' \
        '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
        '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]' '"Debugger"=""' '' \
        '[HKEY_CURRENT_USER\Control Panel\Desktop]' "\"LogPixels\"=dword:${hex}" '' \
        '[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]' \
        "\"LogPixels\"=dword:${hex}" ''
    # Without a window manager (Xvfb) Wine's X11 driver waits up to two seconds for one each time
    # a top-level window is hidden, which stalls the lock's thread and its countdown. In its own
    # desktop Wine places windows itself, and focus no longer depends on a window manager either.
    if [[ "${desktop}" == true ]]; then
        printf '%s\n' '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
            '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' "\"Default\"=\"${TORVELT_SCREEN}\"" ''
    fi
} >"${staging}/drive_c/torvelt-prefix.reg"
timeout 120 wine reg import 'C:\torvelt-prefix.reg' >/dev/null 2>&1 || wine_die "registry import failed"
rm -f -- "${staging}/drive_c/torvelt-prefix.reg"

# Proved before anyone may use the prefix: starting system32\shutdown.exe really runs the
# recorder, and a crash reaches no debugger.
log="${staging}/drive_c/shutdown-recorder.log"
if ! timeout 120 wine 'C:\windows\system32\shutdown.exe' /torvelt-prefix-selftest >/dev/null 2>&1 ||
    ! grep -q 'torvelt-prefix-selftest' "${log}" 2>/dev/null; then
    wine_die "shutdown.exe is not the recorder"
fi
rm -f -- "${log}"
if timeout 120 wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger 2>/dev/null | grep -qi winedbg; then
    wine_die "crash debugger is still enabled"
fi
wine_end_session "${staging}"
rm -rf -- "${staging}/.log" "${HOME}"

# Never let a newer Wine re-run wineboot on this prefix: an update would bring back the
# installer dialogs and reinstall Wine's own system programs.
echo disable >"${staging}/.update-timestamp"
printf 'recorder=%s\ndpi=%s\n' "$(sha256sum -- "${recorder}" | cut -d ' ' -f 1)" "${dpi}" \
    >"${staging}/.torvelt-prefix"
mv -T -- "${staging}" "${prefix}"
echo "wine-prefix: ${prefix} ready (${SECONDS}s)" >&2
