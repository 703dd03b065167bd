#!/usr/bin/env bash
# The one command makes the release: the ZIP holds the README and the built exe, the checksum file
# is what sha256sum writes, the exe is terminal-server aware, CHANGELOG.md's newest entry is this
# version. Built again from a copy of the sources (another folder and time zone, fresh file times,
# later), it is the same to the byte. Signed with throwaway certificates, the exe in the ZIP, the
# setup, the uninstaller it installs and the installer's plugin verify, each with SHA-256 and a
# time stamp from a server on the loopback address, and all but the plugin carry the lock's
# padlock icon; a certificate Windows would not trust
# for code, a wrong password or a failing makensis fails the build and leaves no release. With the
# version raised, the file names, the manifest and the version records (text and numbers) of the
# exe and the setup follow it.
# usage: release_test.sh CMAKE BUILD VERSION EXE SOURCE COPY BUMPED_VERSION RECORDER
set -euo pipefail
cmake="$1" build="$2" version="$3" exe="$4" source="$5" copy="$6" bumped="$7" recorder="$8"
# shellcheck source=../../scripts/wine-env.sh
source "${source}/scripts/wine-env.sh"
name="WindowsStart-${version}" prefix="${copy}-wineprefix" certs=$(mktemp -d)
check() {
    [[ "$2" == "$3" ]] || { printf '%s\nexpected: %s\nfound:    %s\n' "$1" "$3" "$2"; exit 1; }
}

# Made meanwhile, for the uninstaller that the signed setup installs: wineboot mostly waits.
"${TORVELT_SCRIPTS}/run-e2e.sh" remove-prefix "${prefix}"
"${TORVELT_SCRIPTS}/wine-prefix.sh" "${prefix}" --recorder "${recorder}" &
# The time-stamp server ends first: wait would wait for it too.
trap 'kill "${tsa:-}" 2>/dev/null; wait; "${TORVELT_SCRIPTS}/run-e2e.sh" remove-prefix "${prefix}"
    rm -rf -- "${certs}"' EXIT

TZ=UTC0 "${cmake}" --build "${build}" --target package
cd -- "${build}"
rm -rf -- zip && mkdir zip && (cd zip && "${cmake}" -E tar xf "../${name}-win64.zip")
check "in the ZIP" "$(find zip -mindepth 1 -printf '%f\n' | sort | xargs)" "README.md torvelt.exe"
cmp -- zip/torvelt.exe "${exe}"
# As GNU sha256sum writes it: 64 lower-case hex digits, two blanks, the name (shasum -c wants both).
check "${name}-SHA256SUMS" "$(<"${name}-SHA256SUMS")" "$(sha256sum -- "${name}"-{win64.zip,setup.exe})"
flags=$(x86_64-w64-mingw32-objdump -p "${exe}" | sed -n 's/^DllCharacteristics\s*//p')
check "DllCharacteristics ${flags}: TERMINAL_SERVER_AWARE" $((16#${flags} & 0x8000)) 32768
# Per user: the setup's manifest asks for no administrator (Wine would show no prompt).
check "the setup's execution level" "$(grep -ao 'requestedExecutionLevel level="[^"]*"' "${name}-setup.exe")" \
    'requestedExecutionLevel level="asInvoker"'
check "CHANGELOG.md's newest entry" "$(grep -m1 -oP '^## \[\K[^]]*' "${source}/CHANGELOG.md")" "${version}"

# In another folder and time zone, with file times of now; the copy lies inside this checkout, so
# its last commit (the ZIP's file times) is the same.
rm -rf -- "${copy}" && mkdir -p -- "${copy}" && cd -- "${copy}"
tar -C "${source}" -c --exclude=./build --exclude=./.git . | tar -xm
configure() { "${cmake}" --preset mingw -DTORVELT_BUILD_TESTS=OFF "$@" >/dev/null; }
package() { TZ=NPT-5:45 "${cmake}" --build --preset mingw -j2 --target package >/dev/null; }
configure && package
for file in window/torvelt.exe "${name}"-{win64.zip,setup.exe,SHA256SUMS}; do
    cmp -- "${build}/${file}" "build/mingw/${file}"; done

# Throwaway self-signed certificates: to sign with, expired yesterday, valid from tomorrow only, for
# a web server, and the time-stamp server's.
for row in "good +0 codeSigning" "expired -2d codeSigning" "future +1d codeSigning" \
    "server +0 serverAuth" "tsa +0 critical,timeStamping"; do
    read -r cert clock usage <<<"${row}" && cert="${certs}/${cert}"
    faketime -f "${clock}" openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=Torvelt \
        -addext "extendedKeyUsage=${usage}" -keyout "${cert}.key" -out "${cert}.pem" 2>/dev/null
    openssl pkcs12 -export -inkey "${cert}.key" -in "${cert}.pem" -passout pass:richtig -out "${cert}.pfx"
done
# Stands in for makensis (writes the setup, then fails, as when the setup's signature fails) and for
# the openssl and osslsigncode on the PATH, which signing must not use.
# shellcheck disable=SC2016  # expanded by the script written
printf '#!/bin/sh\nfor a; do case $a in -DOUTFILE=*) echo >"${a#*=}"; esac; done\necho "$0 fails" >&2; exit 1' \
    >"${certs}/fails" && chmod +x "${certs}/fails" && mkdir "${certs}/path"
ln -s ../fails "${certs}/path/openssl" && ln -s ../fails "${certs}/path/osslsigncode"
# Each fails (at signing torvelt.exe, or in makensis), and no release of this version is left, the
# one above neither.
for case in "good falsch" "expired richtig" "future richtig" "server richtig" "missing richtig" \
    "good richtig -DTORVELT_MAKENSIS=${certs}/fails"; do
    read -r cert password makensis <<<"${case}"
    configure -DTORVELT_SIGN_PFX="${certs}/${cert}.pfx" ${makensis:+"${makensis}"}
    failed=$(TORVELT_SIGN_PASSWORD="${password}" package 2>&1 | grep -cE '^sign.sh: |makensis failed' || true)
    check "${case}" "${failed} $(find build/mingw -maxdepth 1 -name 'WindowsStart-*')" "1 "
done

# Time stamps from openssl ts behind a minimal HTTP responder on the loopback address. It takes
# SHA-1 requests too, as public ones do, so that the signatures' own digest decides.
wait && wine_use_prefix "${prefix}"
printf 'serial = %s\ndigests = sha1, sha256\nsigner_digest = sha256\n' "${certs}/serial" >"${certs}/ts.cnf"
exec 3< <(exec python3 "${source}/tests/e2e/timestamp_server.py" openssl ts -reply -config "${certs}/ts.cnf" \
    -section default -tspolicy 1.2.3.4 -queryfile /dev/stdin -inkey "${certs}/tsa.key" -signer "${certs}/tsa.pem")
tsa=$!; read -r -t 30 url <&3 || wine_die "the time-stamp server gave no address"; exec 3<&-
configure -UTORVELT_MAKENSIS -DTORVELT_SIGN_PFX="${certs}/good.pfx" -DTORVELT_SIGN_TIMESTAMP_URL="${url}"
PATH="${certs}/path:${PATH}" TORVELT_SIGN_PASSWORD=richtig package
cd build/mingw && mkdir zip && (cd zip && "${cmake}" -E tar xf "../${name}-win64.zip")
(unset DISPLAY WAYLAND_DISPLAY && timeout 120 wine "${name}-setup.exe" /S '/D=C:\WindowsStart')
wine_end_session "${prefix}"
# Each file's digests, time stamp and signature, and among its icons the padlock's 32x32 image as
# torvelt.ico holds it.
read -r size at < <(od -An -tu4 -j 14 -N 8 -- "${source}/window/resources/torvelt.ico")
padlock=$(od -An -v -tx1 -j "${at}" -N "${size}" -- "${source}/window/resources/torvelt.ico" | tr -d ' \n')
for file in zip/torvelt.exe "${name}-setup.exe" "${prefix}/drive_c/WindowsStart/uninstall.exe" \
    packaging/nsis-plugins/SetupRules.dll; do
    found=$(osslsigncode verify -CAfile "${certs}/good.pem" -TSA-CAfile "${certs}/tsa.pem" -in "${file}" |
        sed -nE 's/^(Message digest algorithm|(Timestamp Server )?Signature verification) *: //p' | xargs)
    od -An -v -tx1 -- "${file}" | tr -d ' \n' | grep -q "${padlock}" && found+=" padlock"
    check "${file}: digests, time stamp, signature, icon" "${found}" \
        "SHA256 SHA256 ok ok$([[ ${file} == *.dll ]] || echo ' padlock')"
done

# Unsigned again: the installer's test compares the installed exe with the built one.
rm -f WindowsStart-* && cd -- "${copy}"
sed -i "s/^\(project(WindowsStart VERSION \)[0-9.]*/\1${bumped}/" CMakeLists.txt
configure -DTORVELT_SIGN_PFX= && package && cd build/mingw
# Text, then the numbers (stored as minor, major, tweak, patch) of file and product version.
records() {
    local record='I\0N\0F\0O\0\0\0\0\0\xbd\x04\xef\xfe' at n
    at=$(LC_ALL=C grep -obUaP "${record}" -- "$1" | head -1 | cut -d : -f 1) || true
    read -ra n < <(od -An -tu2 -j $((${at:-0} + 20)) -N 16 -- "$1")
    echo "$(strings -el -- "$1" | grep -xE '[0-9]+(\.[0-9]+){3}' | xargs)" \
        "${n[1]}.${n[0]}.${n[3]}.${n[2]} ${n[5]}.${n[4]}.${n[7]}.${n[6]}"
}
found="$(echo WindowsStart-*) $(grep -ao 'name="WindowsStart.Torvelt" version="[^"]*"' \
    window/torvelt.exe) $(records window/torvelt.exe) $(records "WindowsStart-${bumped}-setup.exe")"
expected="WindowsStart-${bumped}-SHA256SUMS WindowsStart-${bumped}-setup.exe"
expected+=" WindowsStart-${bumped}-win64.zip name=\"WindowsStart.Torvelt\" version=\"${bumped}\""
check "the release one version up" "${found}" "${expected}$(printf " ${bumped}%.0s" {1..8})"
