#!/usr/bin/env bash
# Creates a fresh throwaway Wine prefix whose shutdown.exe is the harmless shutdown recorder.
set -euo pipefail

usage() {
    cat >&2 <<'EOF'
usage: wine-prefix.sh PREFIX [--dpi N] [--recorder PATH] [--template DIR]

Creates the Wine prefix PREFIX (it must not exist yet, or be an empty directory):
  --dpi N          screen resolution in dots per inch (default: Wine's 96)
  --recorder PATH  shutdown recorder .exe installed as C:\windows\system32\shutdown.exe
                   (default: $TORVELT_SHUTDOWN_RECORDER; without one nothing is created)
  --template DIR   copy the finished, unused prefix DIR (made by this script) instead of
                   running wineboot: about 2 s instead of 15 s, same checks
The prefix appears under its name only once it is complete and its recorder verified.
EOF
}

die() {
    echo "wine-prefix: $*" >&2
    exit 1
}

prefix=""
dpi=""
template=""
recorder="${TORVELT_SHUTDOWN_RECORDER:-}"
while [[ $# -gt 0 ]]; do
    case "$1" in
        --dpi)
            [[ $# -ge 2 ]] || { usage; exit 2; }
            dpi="$2"
            shift 2
            ;;
        --recorder)
            [[ $# -ge 2 ]] || { usage; exit 2; }
            recorder="$2"
            shift 2
            ;;
        --template)
            [[ $# -ge 2 ]] || { usage; exit 2; }
            template="$2"
            shift 2
            ;;
        -h | --help)
            usage
            exit 0
            ;;
        -*)
            usage
            exit 2
            ;;
        *)
            [[ -z "${prefix}" ]] || { usage; exit 2; }
            prefix="$1"
            shift
            ;;
    esac
done
[[ -n "${prefix}" ]] || { usage; exit 2; }

# Checked before anything is created: a prefix whose shutdown.exe is Wine's own must never
# exist, since the program under test launches it.
[[ -n "${recorder}" ]] ||
    die "no shutdown recorder given (--recorder PATH or TORVELT_SHUTDOWN_RECORDER); refusing"
[[ -f "${recorder}" ]] || die "shutdown recorder '${recorder}' does not exist; refusing"
[[ "$(head -c 2 "${recorder}")" == "MZ" ]] ||
    die "shutdown recorder '${recorder}' is not a Windows executable; refusing"
if [[ -n "${dpi}" ]]; then
    if ! [[ "${dpi}" =~ ^[1-9][0-9]*$ ]] || ((dpi < 48 || dpi > 480)); then
        die "--dpi wants a number from 48 to 480, not '${dpi}'"
    fi
fi

if [[ -n "${template}" ]]; then
    [[ -f "${template}/.torvelt-prefix" ]] ||
        die "template '${template}' is not a finished prefix of this script"
fi

prefix_parent=$(dirname -- "${prefix}")
mkdir -p -- "${prefix_parent}"
prefix_parent=$(cd -- "${prefix_parent}" && pwd -P)
prefix="${prefix_parent}/$(basename -- "${prefix}")"
if [[ -e "${prefix}" ]]; then
    [[ -d "${prefix}" && -z "$(ls -A -- "${prefix}")" ]] ||
        die "'${prefix}' already exists; a prefix is only ever made fresh"
fi

# Built under a temporary name and renamed at the end, so that nobody (a parallel test,
# an interrupted run) ever sees a half-made prefix under the real name. The prefix holds
# no absolute path of itself, which makes the rename safe.
staging=$(mktemp -d "${prefix_parent}/.$(basename -- "${prefix}").staging.XXXXXX")
chmod 755 "${staging}"
fake_home="${staging}/.home"

# shellcheck disable=SC2317  # reached through the EXIT trap, which shellcheck cannot see
cleanup() {
    if [[ -n "${staging}" && -d "${staging}" ]]; then
        WINEPREFIX="${staging}" wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX="${staging}" wineserver -w >/dev/null 2>&1 || true
        rm -rf -- "${staging}"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export WINEPREFIX="${staging}"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono/Gecko installer dialogs, and no menu entries or file associations on the host.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# wineboot links Desktop, Documents, ... to $HOME and writes XDG menus there; a private HOME
# keeps the real one untouched. No display: the "updating configuration" window stays away.
mkdir -p "${fake_home}"
export HOME="${fake_home}"
export XDG_CONFIG_HOME="${fake_home}/.config"
export XDG_DATA_HOME="${fake_home}/.local/share"
export XDG_CACHE_HOME="${fake_home}/.cache"
unset DISPLAY WAYLAND_DISPLAY

started=${SECONDS}

boot_new_prefix() {
    wine wineboot --init >"${staging}/.wineboot.log" 2>&1 ||
        { cat "${staging}/.wineboot.log" >&2; die "wineboot --init failed"; }
    wineserver -w
    rm -f "${staging}/.wineboot.log"

    # The user's shell folders point into the temporary HOME; make them plain folders so that
    # whatever a test program saves there stays inside the prefix.
    for link in "${staging}"/drive_c/users/*/*; do
        if [[ -L "${link}" ]]; then
            rm -f -- "${link}"
            mkdir -p -- "${link}"
        fi
    done

    # Debian's Wine looks for its own fonts in /usr/share/fonts instead of /usr/share/wine/fonts
    # (where fonts-wine puts them), so without this copy dialogs fall back to whatever
    # fontconfig offers and look different from machine to machine. Wine loads every font in
    # C:\windows\Fonts, which keeps Tahoma, MS Sans Serif and Marlett inside the prefix.
    wine_fonts=/usr/share/wine/fonts
    if compgen -G "${wine_fonts}/*.ttf" >/dev/null; then
        cp -f -- "${wine_fonts}"/* "${staging}/drive_c/windows/Fonts/"
        fonts=wine
    else
        echo "wine-prefix: no ${wine_fonts}/*.ttf (install fonts-wine); using host fonts" >&2
        fonts=host
    fi
}

copy_template() {
    # --reflink shares the blocks where the file system can (btrfs, xfs); on ext4 it is a
    # plain copy of about 700 MB, most of it Wine's system32.
    cp -a --reflink=auto -- "${template}/." "${staging}/"
    rm -f -- "${staging}/.torvelt-prefix" "${staging}/drive_c/shutdown-recorder.log"
    fonts=$(sed -n 's/^fonts=//p' "${template}/.torvelt-prefix")
    # Without --dpi the copy keeps the template's resolution; say so in the marker.
    if [[ -z "${dpi}" ]]; then
        dpi=$(sed -n 's/^dpi=//p' "${template}/.torvelt-prefix")
    fi
}

if [[ -n "${template}" ]]; then
    copy_template
else
    boot_new_prefix
fi

system32="${staging}/drive_c/windows/system32"
[[ -f "${system32}/shutdown.exe" ]] || die "the prefix has no system32/shutdown.exe"
rm -f -- "${system32}/shutdown.exe"
cp -- "${recorder}" "${system32}/shutdown.exe"

# Wine prefers its builtin over a native copy of a system32 program unless told otherwise;
# "native" alone (no builtin fallback) makes a missing recorder fail loudly instead.
# An empty AeDebug debugger (not a missing one: Wine then falls back to winedbg) lets a
# crashing program end with its exception code; with winedbg attached the exit code
# Wine reports is sometimes 0, which would turn a crashing test green.
# LogPixels: Wine 8 reads HKCU\Control Panel\Desktop first and falls back to the hardware
# profile's Fonts key; both are set so that nothing disagrees.
regfile="${staging}/drive_c/torvelt-prefix.reg"
{
    echo 'REGEDIT4'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\DllOverrides]'
    echo '"shutdown.exe"="native"'
    echo '"winemenubuilder.exe"=""'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
    echo '"ShowCrashDialog"=dword:00000000'
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]'
    echo '"Debugger"=""'
    if [[ -n "${dpi}" ]]; then
        hex=$(printf '%08x' "${dpi}")
        echo
        echo '[HKEY_CURRENT_USER\Control Panel\Desktop]'
        echo "\"LogPixels\"=dword:${hex}"
        echo
        echo '[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]'
        echo "\"LogPixels\"=dword:${hex}"
    fi
    echo
} >"${regfile}"
wine reg import 'C:\torvelt-prefix.reg' >/dev/null 2>&1 || die "registry import failed"
rm -f -- "${regfile}"

# Prove it before anyone may use the prefix: the file is ours, the override is set, and
# starting system32\shutdown.exe really runs the recorder.
cmp -s -- "${recorder}" "${system32}/shutdown.exe" || die "recorder copy differs"
wine reg query 'HKCU\Software\Wine\DllOverrides' /v shutdown.exe 2>/dev/null |
    grep -q 'native' || die "shutdown.exe DllOverride did not take"
wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
    2>/dev/null | grep -qi 'winedbg' && die "crash debugger is still enabled"
log="${staging}/drive_c/shutdown-recorder.log"
rm -f -- "${log}"
wine 'C:\windows\system32\shutdown.exe' /torvelt-prefix-selftest >/dev/null 2>&1 ||
    die "the recorder did not run as shutdown.exe"
grep -q 'torvelt-prefix-selftest' "${log}" 2>/dev/null ||
    die "shutdown.exe ran, but not the recorder"
rm -f -- "${log}"
wineserver -w

# Never let a newer Wine re-run wineboot on this prefix: an update would bring back the
# installer dialogs and reinstall Wine's own system programs.
echo disable >"${staging}/.update-timestamp"
rm -rf -- "${fake_home}"
{
    echo "recorder=$(sha256sum -- "${recorder}" | cut -d ' ' -f 1)"
    echo "dpi=${dpi:-96}"
    echo "fonts=${fonts}"
    echo "wine=$(wine --version 2>/dev/null || true)"
    echo "seconds=$((SECONDS - started))"
} >"${staging}/.torvelt-prefix"

if [[ -d "${prefix}" ]]; then
    rmdir -- "${prefix}"
fi
mv -T -- "${staging}" "${prefix}"
staging=""
echo "wine-prefix: ${prefix} ready ($((SECONDS - started))s)" >&2
