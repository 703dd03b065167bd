# The Wine environment of this project, sourced (never run) by every script that starts Wine.
# shellcheck shell=bash disable=SC2034  # the variables are for the scripts that source this
# Sourcing it provides:
#   WINEARCH, WINEDEBUG, WINEDLLOVERRIDES  exported: 64-bit, quiet, no Mono/Gecko installer dialogs,
#                                          no menu entries or file associations on the host
#   TORVELT_SCRIPTS                        this folder (absolute), to call the other scripts
#   TORVELT_SCREEN                         WIDTHxHEIGHT of the virtual display and of the e2e
#                                          prefixes' Wine desktop
#   wine_die MESSAGE...                    prints "SCRIPT: MESSAGE" and exits 1
#   wine_use_prefix PREFIX                 exports WINEPREFIX=PREFIX, but only for a finished prefix
#                                          of wine-prefix.sh whose shutdown.exe is still its
#                                          recorder; refuses (exits) otherwise
#   wine_end_session PREFIX                ends every Windows process of PREFIX and its wineserver
#   wine_path PATH                         prints the Windows path (Z:\...) of a Linux path
#   wine_install_fonts DRIVE_C             copies Wine's own fonts into a prefix's drive_c
# Prefixes themselves are made by wine-prefix.sh, a private display by with-display.sh. A script
# that runs a Windows program does, for instance:
#   source scripts/wine-env.sh
#   scripts/wine-prefix.sh "${prefix}" --recorder "${recorder}"
#   wine_use_prefix "${prefix}"
#   scripts/with-display.sh wine "${program}"

export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
TORVELT_SCRIPTS=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd -P)
TORVELT_SCREEN=1024x768

wine_die() {
    echo "$(basename -- "$0"): $*" >&2
    exit 1
}

# The lock launches C:\windows\system32\shutdown.exe; wine-prefix.sh notes the recorder's hash
# in the marker it writes last, so a prefix without the marker is unfinished, and one whose
# shutdown.exe has another hash is no longer safe to run the lock in.
wine_use_prefix() {
    local marker="$1/.torvelt-prefix" hash
    [[ -f "${marker}" ]] || wine_die "$1 is no finished test prefix (made by wine-prefix.sh)"
    hash=$(sha256sum -- "$1/drive_c/windows/system32/shutdown.exe" 2>/dev/null) || hash=none
    grep -qx "recorder=${hash%% *}" "${marker}" ||
        wine_die "$1's shutdown.exe is not its shutdown recorder; refusing"
    export WINEPREFIX="$1"
}

# Everything in a test prefix was started by the tests, so all of it may be ended.
wine_end_session() {
    [[ -d "$1" ]] || return 0
    WINEPREFIX="$1" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$1" timeout 60 wineserver -w >/dev/null 2>&1 || true
}

wine_path() {
    local path
    path=$(realpath -m -- "$1")
    printf 'Z:%s\n' "${path//\//\\}"
}

# Debian's Wine looks for its own fonts in /usr/share/fonts, not in /usr/share/wine/fonts where
# fonts-wine puts them; without this copy dialogs fall back to whatever fontconfig offers and
# look different from machine to machine. Wine loads every font in C:\windows\Fonts.
wine_install_fonts() {
    if compgen -G "/usr/share/wine/fonts/*.ttf" >/dev/null; then
        cp -f -- /usr/share/wine/fonts/* "$1/windows/Fonts/"
    else
        echo "no /usr/share/wine/fonts/*.ttf (install fonts-wine); dialogs use host fonts" >&2
    fi
}
