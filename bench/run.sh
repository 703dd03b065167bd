#!/usr/bin/env bash
# Benchmarks torvelt.exe against a bare Win32 window under Wine and writes build/bench/results.md.
set -euo pipefail

usage() {
    cat >&2 <<'EOF'
usage: bench/run.sh

Installs what is missing, builds torvelt.exe (mingw preset) and the bench programs, makes a
fresh Wine prefix under build/bench/ whose shutdown.exe is the recorder, and measures both
programs in one run. Prints the table and writes build/bench/results.md.
  BENCH_STARTS       starts per program for the time to ready (default 20)
  BENCH_SETTLE_RUNS  runs per program for memory and idle CPU (default 3)
EOF
}
if [[ $# -gt 0 ]]; then
    usage
    [[ "$1" == "-h" || "$1" == "--help" ]] && exit 0
    exit 2
fi

started=${SECONDS}
cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.."
root=$(pwd -P)
starts=${BENCH_STARTS:-20}
settle_runs=${BENCH_SETTLE_RUNS:-3}
out="${root}/build/bench"
prefix="${out}/wineprefix"
bin="${out}/bin"

scripts/install-deps.sh

# torvelt.exe exactly as the project builds it.
cmake --preset mingw >/dev/null
cmake --build build/mingw -j2 --target torvelt

# The bench programs: same toolchain file, same build type and the project's own option
# target (see bench/CMakeLists.txt), so both are stripped, or neither, as the project decides.
cmake -S bench -B "${out}/cmake" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="${root}/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "${out}/cmake" -j2

# Measured from copies: others may rebuild build/mingw while the bench runs.
mkdir -p -- "${bin}"
cp -f -- build/mingw/window/torvelt.exe "${bin}/torvelt.exe"
cp -f -- "${out}/cmake/bare_window.exe" "${bin}/bare_window.exe"
cp -f -- "${out}/cmake/measure.exe" "${bin}/measure.exe"
recorder="${out}/cmake/shutdown_recorder.exe"
# Stripped copies only to show what symbols and debug sections weigh; never measured. An .exe
# that strip does not shrink was built stripped.
x86_64-w64-mingw32-strip -o "${bin}/torvelt.stripped.exe" "${bin}/torvelt.exe"
x86_64-w64-mingw32-strip -o "${bin}/bare_window.stripped.exe" "${bin}/bare_window.exe"
strip_state() {
    if [[ $(stat -c %s -- "$1") -eq $(stat -c %s -- "$2") ]]; then
        echo stripped
    else
        echo "not stripped"
    fi
}
lock_strip=$(strip_state "${bin}/torvelt.exe" "${bin}/torvelt.stripped.exe")
bare_strip=$(strip_state "${bin}/bare_window.exe" "${bin}/bare_window.stripped.exe")
if [[ "${lock_strip}" == "${bare_strip}" ]]; then
    strip_note="both ${lock_strip}"
else
    strip_note="torvelt.exe ${lock_strip}, bare_window.exe ${bare_strip}: NOT ALIKE"
    echo "run.sh: warning: ${strip_note}" >&2
fi

# A fresh prefix every run: nothing from an earlier run (a stored password, a changed
# TimeOut) can change what the lock does.
if [[ -e "${prefix}" ]]; then
    WINEPREFIX="${prefix}" timeout 60 wineserver -k >/dev/null 2>&1 || true
    rm -rf -- "${prefix}"
fi
scripts/wine-prefix.sh "${prefix}" --recorder "${recorder}"
# The lock starts system32\shutdown.exe when its countdown runs out: it must be the recorder.
cmp -s -- "${recorder}" "${prefix}/drive_c/windows/system32/shutdown.exe" || {
    echo "run.sh: the prefix's shutdown.exe is not the recorder; refusing" >&2
    exit 1
}

export WINEPREFIX="${prefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

# shellcheck disable=SC2317  # reached through the EXIT trap, which shellcheck cannot see
cleanup() {
    # Only this run's prefix: whatever still runs in it was started by this run.
    WINEPREFIX="${prefix}" timeout 60 wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Z: is Wine's view of /.
windows_path() {
    local path="$1"
    printf 'Z:%s' "${path//\//\\}"
}

tsv="${out}/results.tsv"
rm -f -- "${tsv}"
measure_started=${SECONDS}
# Bounded: 20 starts take seconds each at worst, the timed runs under two minutes in all.
# Wine's own desktop processes are ended while the display still exists, so that none of them
# loses its X connection midway.
# shellcheck disable=SC2016  # expanded by the inner bash, on purpose
timeout --kill-after=30 1800 scripts/with-display.sh bash -c '
    status=0
    wine "$@" || status=$?
    wineserver -k >/dev/null 2>&1 || true
    timeout 60 wineserver -w || true
    exit "${status}"' _ \
    "${bin}/measure.exe" \
    --torvelt "$(windows_path "${bin}/torvelt.exe")" \
    --bare "$(windows_path "${bin}/bare_window.exe")" \
    --out "$(windows_path "${tsv}")" \
    --starts "${starts}" --settle-runs "${settle_runs}"
measure_seconds=$((SECONDS - measure_started))

shutdowns="none"
if [[ -s "${prefix}/drive_c/shutdown-recorder.log" ]]; then
    shutdowns="$(wc -l <"${prefix}/drive_c/shutdown-recorder.log") recorded (unexpected)"
fi

size_of() {
    stat -c %s -- "$1"
}
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'
}
lock_stripped=$(size_of "${bin}/torvelt.stripped.exe")
bare_stripped=$(size_of "${bin}/bare_window.stripped.exe")
stripped_met=$([[ ${lock_stripped} -lt 524288 ]] && echo yes || echo NO)
printf '%s\t%s\t%s\t%s\t%s\t%s\n' \
    ".exe size if stripped (bytes, copy; not measured)" "${lock_stripped}" "${bare_stripped}" \
    "$(ratio "${lock_stripped}" "${bare_stripped}")" "torvelt < 524288 (512 KiB)" \
    "${stripped_met}" >>"${tsv}"
printf '%s\t%s\t%s\t%s\t%s\t%s\n' \
    "shutdown.exe launches during the run" "${shutdowns}" "-" "-" "none" \
    "$([[ "${shutdowns}" == none ]] && echo yes || echo NO)" >>"${tsv}"

cpu_model=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
wine_version=$(wine --version 2>/dev/null || echo unknown)
compile_flags() {
    sed -n 's/^CXX_FLAGS = //p' "$1"
}
link_flags() {
    # The compiler's own options on the link line: everything before the first object.
    awk '/g\+\+/ { for (i = 2; i <= NF && $i !~ /^-Wl,--whole-archive|\.obj$|\.a$/; ++i)
                       printf "%s ", $i; exit }' "$1"
}
lock_flags="$(compile_flags build/mingw/window/CMakeFiles/torvelt.dir/flags.make) |"
lock_flags+=" $(link_flags build/mingw/window/CMakeFiles/torvelt.dir/link.txt)"
bare_flags="$(compile_flags "${out}/cmake/CMakeFiles/bare_window.dir/flags.make") |"
bare_flags+=" $(link_flags "${out}/cmake/CMakeFiles/bare_window.dir/link.txt")"
total_seconds=$((SECONDS - started))

# Console: an aligned table.
echo
awk -F'\t' '
    { for (i = 1; i <= NF; ++i) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } }
    END {
        for (r = 1; r <= NR; ++r) {
            line = ""
            for (i = 1; i <= 6; ++i) line = line sprintf("%-" width[i] "s  ", cell[r, i])
            sub(/ +$/, "", line); print line
        }
    }' "${tsv}"
echo
echo "measured in ${measure_seconds}s; whole run ${total_seconds}s"

markdown="${out}/results.md"
{
    echo "# torvelt.exe against a bare Win32 window"
    echo
    echo "- date: $(date -u '+%Y-%m-%d %H:%M:%S UTC')"
    echo "- machine: $(nproc) CPUs, ${cpu_model}; $(uname -sr)"
    echo "- Wine: ${wine_version}, fresh prefix, Xvfb 1024x768x24 without window manager" \
        "(unless a display was already there)"
    echo "- torvelt.exe flags: ${lock_flags}"
    echo "- bare_window.exe flags: ${bare_flags}"
    echo "- ${strip_note} (as built); starts per program: ${starts}" \
        "(after one warm-up start each, not counted), runs for memory and idle CPU: ${settle_runs}"
    echo "- run time: measuring ${measure_seconds} s, whole run ${total_seconds} s"
    echo
    awk -F'\t' '
        { gsub(/\|/, "\\|"); printf "|"; for (i = 1; i <= 6; ++i) printf " %s |", $i; print "" }
        NR == 1 { print "|---|---|---|---|---|---|" }' "${tsv}"
    echo
    echo "Ready: the foreground thread's keyboard focus (GetGUIThreadInfo) is in a window of the"
    echo "started process whose top-level window is visible and in front, timed from just before"
    echo "CreateProcess. Memory: K32GetProcessMemoryInfo at ready + 2 s; where Wine leaves"
    echo "PrivateUsage at 0, RssAnon from /proc/PID/status of the Wine process stands in for it."
    echo "Idle CPU: kernel + user time over 10 s from ready. Wine 8 answers GetProcessTimes for"
    echo "another process with the caller's own times; measure.exe notices and then sums the run"
    echo "time (ns) in /proc/PID/task/*/schedstat of the Wine process instead. Drift: the number in"
    echo "control 1007's caption, read with WM_GETTEXT every 20 ms for 30 s after ready; decrease"
    echo "minus elapsed wall seconds."
} >"${markdown}"
echo "results: ${markdown}"
