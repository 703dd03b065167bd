#!/usr/bin/env bash
# The one command makes the release; the ZIP holds the README and the built exe; built again with
# the version raised, the file names, the manifest and the version record follow that one number.
# usage: release_test.sh CMAKE BUILD VERSION EXE SOURCE BUMPED_DIR BUMPED_VERSION
set -euo pipefail
cmake="$1" build="$2" version="$3" exe="$4" source="$5" bumped="$6" bumped_version="$7"

"${cmake}" --build "${build}" --target package
zip="${build}/zip"
rm -rf -- "${zip}" && mkdir -p -- "${zip}"
(cd -- "${zip}" && "${cmake}" -E tar xf "${build}/WindowsStart-${version}-win64.zip")
held=$(find "${zip}" -mindepth 1 -printf '%f\n' | sort | xargs)
[[ "${held}" == "README.md torvelt.exe" ]] || { echo "the ZIP holds ${held}"; exit 1; }
cmp -- "${zip}/torvelt.exe" "${exe}"
# Per user: the setup's manifest asks for no administrator (Wine would show no prompt).
level=$(grep -ao 'requestedExecutionLevel level="[^"]*"' "${build}/WindowsStart-${version}-setup.exe")
[[ "${level}" == *'"asInvoker"' ]] || { echo "expected asInvoker, found: ${level}"; exit 1; }

rm -rf -- "${bumped}" && mkdir -p -- "${bumped}"
tar -C "${source}" -c --exclude=./build --exclude=./.git . | tar -xC "${bumped}"
sed -i "s/^project(WindowsStart VERSION [0-9.]*/project(WindowsStart VERSION ${bumped_version}/" \
    "${bumped}/CMakeLists.txt"
(cd -- "${bumped}" && "${cmake}" --preset mingw -DTORVELT_BUILD_TESTS=OFF >/dev/null &&
    "${cmake}" --build --preset mingw -j2 --target package)
cd -- "${bumped}/build/mingw"
manifest=$(grep -ao 'name="WindowsStart.Torvelt" version="[^"]*"' window/torvelt.exe)
record=$(strings -el window/torvelt.exe | grep -xE '[0-9]+(\.[0-9]+){3}' | xargs)
found="$(echo WindowsStart-*) ${manifest} ${record}"
expected="WindowsStart-${bumped_version}-setup.exe WindowsStart-${bumped_version}-win64.zip"
expected+=" name=\"WindowsStart.Torvelt\" version=\"${bumped_version}\""
expected+=" ${bumped_version} ${bumped_version}"
if [[ "${found}" != "${expected}" ]]; then
    printf 'expected: %s\nfound:    %s\n' "${expected}" "${found}"
    exit 1
fi
