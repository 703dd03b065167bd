#!/usr/bin/env bash
# Measures torvelt.exe against four floor programs under Wine and writes build/bench/results.md.
# usage: bench/run.sh   (BENCH_STARTS: starts per program for the time to ready, default 20;
#                        BENCH_ROUNDS: runs per program for memory and idle CPU, default 5)
set -euo pipefail

cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
root=$(pwd -P)
out="${root}/build/bench"
bin="${out}/bin"
samples="${out}/samples.tsv"
programs=(torvelt themed_window ticking_label ticking_field bare_window)
settle_seconds=2
idle_seconds=10
drift_seconds=60

probe() {
    wine "${bin}/probe.exe" "$@" | tr -d '\r'
}

# The Linux process of this prefix behind a Windows program: Wine sets its command line to the
# Windows path of the .exe. Other prefixes on this machine may run programs of the same name.
linux_pid() {
    local wanted="$1" folder first
    for folder in /proc/[0-9]*; do
        first=""
        { IFS= read -r -d '' first <"${folder}/cmdline"; } 2>/dev/null || true
        if [[ "${first}" == "${wanted}" ]] &&
            { tr '\0' '\n' <"${folder}/environ"; } 2>/dev/null |
            grep -xF "WINEPREFIX=${WINEPREFIX}" >/dev/null; then
            echo "${folder#/proc/}"
            return 0
        fi
    done
    return 1
}

# CPU time of all threads of a process in nanoseconds: the first field of each schedstat.
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%d", sum }'
}

# One run left alone: private memory (RssAnon) once settled, then the program's CPU time over the
# idle span, scaled to exactly that span.
hold_once() {
    local name="$1" exe log pid cpu0 t0 rss cpu1 t1
    exe=$(wine_path "${bin}/${name}.exe")
    log=$(mktemp)
    # Not through tr, which would hold the line back until the end.
    wine "${bin}/probe.exe" hold $((settle_seconds + idle_seconds + 2)) "${exe}" >"${log}" &
    local probe_pid=$!
    for _ in $(seq 600); do
        grep -q '^ready' "${log}" && break
        kill -0 "${probe_pid}" 2>/dev/null || break
        sleep 0.05
    done
    grep -q '^ready' "${log}" || { echo "run.sh: ${name} never got ready" >&2; exit 1; }
    pid=$(linux_pid "${exe}")
    sleep "${settle_seconds}"
    rss=$(awk '/^RssAnon:/ { print $2 }' "/proc/${pid}/status")
    cpu0=$(cpu_ns "${pid}") t0=$(date +%s%N)
    sleep "${idle_seconds}"
    cpu1=$(cpu_ns "${pid}") t1=$(date +%s%N)
    wait "${probe_pid}"
    rm -f -- "${log}"
    printf 'memory\t%s\t%s\n' "${name}" "${rss}"
    awk -v name="${name}" -v cpu=$((cpu1 - cpu0)) -v span=$((t1 - t0)) -v idle="${idle_seconds}" \
        'BEGIN { printf "cpu\t%s\t%.3f\n", name, cpu / 1e6 * idle * 1e9 / span }'
}

# Inside the display: every measurement, interleaved, as raw samples.
measure() {
    local exes=() name round step
    for name in "${programs[@]}"; do
        exes+=("$(wine_path "${bin}/${name}.exe")")
    done
    echo "run.sh: time to ready, ${starts} starts each" >&2
    probe ready "${starts}" "${exes[@]}" | while read -r _ index ms; do
        printf 'ready\t%s\t%s\n' "${programs[index]}" "${ms}"
    done
    echo "run.sh: memory and idle CPU, ${rounds} runs each" >&2
    for ((round = 0; round < rounds; ++round)); do
        for ((step = 0; step < ${#programs[@]}; ++step)); do
            hold_once "${programs[(step + round) % ${#programs[@]}]}"
        done
    done
    echo "run.sh: countdown drift over ${drift_seconds} s" >&2
    probe drift "${drift_seconds}" "${exes[0]}" | awk -v OFS='\t' '{ print "drift", "torvelt", $2 }'
    # Wine's desktop processes end while the display still exists.
    wine_end_session "${WINEPREFIX}"
}

starts=${BENCH_STARTS:-20}
rounds=${BENCH_ROUNDS:-5}
if [[ "${1:-}" == --measure ]]; then
    measure
    exit 0
fi
if [[ $# -gt 0 ]]; then
    sed -n '3,4s/^# //p' "${BASH_SOURCE[0]}" >&2
    exit 2
fi

started=${SECONDS}
scripts/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build build/mingw -j2 --target torvelt
# The floors and the probe: same toolchain, build type and option target (bench/CMakeLists.txt).
cmake -S bench -B "${out}/cmake" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="${root}/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "${out}/cmake" -j2
# Measured from copies: others may rebuild build/mingw while the bench runs.
mkdir -p -- "${bin}"
cp -f -- build/mingw/window/torvelt.exe "${bin}/"
for name in themed_window ticking_label ticking_field bare_window probe; do
    cp -f -- "${out}/cmake/${name}.exe" "${bin}/"
done

# A fresh throwaway prefix whose shutdown.exe is the recorder: nothing from an earlier run (a
# stored password, a changed TimeOut) can change what the lock does, and nothing shuts down.
prefix="${out}/wineprefix"
wine_end_session "${prefix}"
rm -rf -- "${prefix}"
scripts/wine-prefix.sh "${prefix}" --recorder "${out}/cmake/shutdown_recorder.exe"
wine_use_prefix "${prefix}"
# shellcheck disable=SC2317  # reached through the EXIT trap, which shellcheck cannot see
cleanup() {
    wine_end_session "${prefix}"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

measure_started=${SECONDS}
timeout --kill-after=30 3600 scripts/with-display.sh "${BASH_SOURCE[0]}" --measure >"${samples}"
measure_seconds=$((SECONDS - measure_started))
recorded=0
if [[ -s "${out}/wineprefix/drive_c/shutdown-recorder.log" ]]; then
    recorded=$(wc -l <"${out}/wineprefix/drive_c/shutdown-recorder.log")
fi

# What Linux reads from outside the programs: size and imported DLLs.
for name in "${programs[@]}"; do
    file="${bin}/${name}.exe"
    dlls=$(x86_64-w64-mingw32-objdump -p "${file}" | awk '/DLL Name:/ { print tolower($3) }' |
        sort | paste -sd ' ')
    printf 'size\t%s\t%s\ndlls\t%s\t%s\n' "${name}" "$(stat -c %s -- "${file}")" "${name}" "${dlls}"
done >>"${samples}"

# The table: medians (with the range), ratios against the fair floor, and each target met or not.
table=$(awk -F'\t' -v starts="${starts}" -v rounds="${rounds}" -v drift="${drift_seconds}" \
    -v recorded="${recorded}" '
    function median(key,   n, i, j, t) {
        n = split(all[key], v, " ")
        for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; --j) {
            t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
        low = v[1]; high = v[n]
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function row(label, metric, format, floor, limit, target,   r, line, p, m) {
        r = median(metric SUBSEP "torvelt") / median(metric SUBSEP floor)
        line = label
        for (p = 1; p <= 5; ++p) {
            m = median(metric SUBSEP names[p])
            line = line "\t" sprintf(format " (" format "-" format ")", m, low, high)
        }
        print line "\t" sprintf("%.2f", r) "\t" target "\t" (r <= limit ? "yes" : "NO")
    }
    function cells(metric,   p, line) {
        for (p = 1; p <= 5; ++p) line = line "\t" all[metric, names[p]]
        return line
    }
    {
        key = $1 SUBSEP $2
        if (key in all) all[key] = all[key] " " $3
        else all[key] = $3
    }
    END {
        split("torvelt themed_window ticking_label ticking_field bare_window", names, " ")
        print "metric\ttorvelt.exe\tthemed window\tticking label\tticking label and field\tbare window\tratio\ttarget\tmet"
        row("time to ready (ms), median of " starts " (min-max)", "ready", "%.0f",
            "themed_window", 1.10, "<= 1.10 x themed")
        row("private memory at ready + 2 s (KiB), median of " rounds, "memory", "%.0f",
            "themed_window", 1.10, "<= 1.10 x themed")
        row("idle CPU in 10 s (ms), median of " rounds, "cpu", "%.1f", "ticking_field", 1.10,
            "<= 1.10 x ticking and field")
        d = all["drift", "torvelt"]
        print "countdown drift over " drift " s (ticks)\t" d "\t\t\t\t\t\t0\t" (d + 0 == 0 ? "yes" : "NO")
        s = all["size", "torvelt"]
        print ".exe size (bytes)" cells("size") "\t\t<= 262144\t" (s + 0 <= 262144 ? "yes" : "NO")
        print "imported DLLs" cells("dlls") "\t\tsystem DLLs only\t" \
            (all["dlls", "torvelt"] ~ /lib(stdc|gcc|winpthread)/ ? "NO" : "yes")
        print "shutdown.exe launches\t" recorded "\t\t\t\t\t\t0\t" (recorded == 0 ? "yes" : "NO")
    }' "${samples}")

flags_of() {
    sed -n 's/^CXX_FLAGS = //p' "$1/flags.make"
}
lock_flags=$(flags_of build/mingw/window/CMakeFiles/torvelt.dir)
floor_flags=$(flags_of "${out}/cmake/CMakeFiles/ticking_label.dir")
echo
column -t -s $'\t' <<<"${table}"
echo
echo "measured in ${measure_seconds} s; whole run $((SECONDS - started)) s"
{
    echo "# torvelt.exe against its floors"
    echo
    echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "- machine: $(nproc) CPUs, $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo);" \
        "$(uname -sr); load average $(cut -d ' ' -f 1-3 /proc/loadavg)"
    echo "- Wine: $(wine --version 2>/dev/null), fresh prefix, Xvfb 1024x768x24"
    echo "- compile flags: ${lock_flags} (floors: $([[ "${floor_flags}" == "${lock_flags}" ]] &&
        echo same || echo "DIFFERENT: ${floor_flags}"))"
    echo
    awk -F'\t' '{ printf "|"; for (i = 1; i <= NF; ++i) printf " %s |", $i; print "" }
        NR == 1 { print "|---|---|---|---|---|---|---|---|---|" }' <<<"${table}"
    echo
    echo "Ready: from CreateProcess until the focus is in the program's visible front window (the"
    echo "lock: in its password field). Memory: RssAnon, CPU: the threads' schedstat of the Wine"
    echo "process, over ${idle_seconds} s from ready + ${settle_seconds} s. Drift: ticks lost in ${drift_seconds} s from the first."
} >"${out}/results.md"
echo "results: ${out}/results.md"
