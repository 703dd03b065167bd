#!/usr/bin/env bash
# Signs a release file in place (SHA-256 Authenticode) with the certificate TORVELT_SIGN_PFX, whose
# password is in TORVELT_SIGN_PASSWORD, time-stamped by TORVELT_SIGN_TIMESTAMP_URL when it is set.
# TORVELT_OSSLSIGNCODE and TORVELT_OPENSSL name the programs that configure found.
# usage: sign.sh FILE
set -euo pipefail
if [[ $# -ne 1 || -z "${TORVELT_SIGN_PFX:-}" || -z "${TORVELT_OSSLSIGNCODE:-}" ||
    -z "${TORVELT_OPENSSL:-}" ]]; then
    echo "usage: TORVELT_SIGN_PFX=FILE.pfx TORVELT_SIGN_PASSWORD=... TORVELT_OSSLSIGNCODE=PROGRAM" \
        "TORVELT_OPENSSL=PROGRAM sign.sh FILE" >&2
    exit 2
fi
file="$1" openssl="${TORVELT_OPENSSL}"
fail() {
    echo "sign.sh: $*; ${file} stays unsigned" >&2
    exit 1
}
[[ -v TORVELT_SIGN_PASSWORD ]] || fail "TORVELT_SIGN_PASSWORD holds no password"

# The password goes through the environment and a pipe only, never onto a command line.
certificate=$("${openssl}" pkcs12 -legacy -in "${TORVELT_SIGN_PFX}" \
    -passin env:TORVELT_SIGN_PASSWORD -nokeys -clcerts) ||
    fail "the certificate in ${TORVELT_SIGN_PFX} cannot be read (wrong password?)"
# Each of these would still sign, but Windows does not trust such a signature for code.
"${openssl}" x509 -noout -checkend 0 <<<"${certificate}" >/dev/null ||
    fail "the certificate in ${TORVELT_SIGN_PFX} has expired"
from=$("${openssl}" x509 -noout -startdate <<<"${certificate}")
(($(date -d "${from#notBefore=}" +%s) <= $(date +%s))) ||
    fail "the certificate in ${TORVELT_SIGN_PFX} is not valid before ${from#notBefore=}"
[[ $("${openssl}" x509 -noout -ext extendedKeyUsage <<<"${certificate}") == *"Code Signing"* ]] ||
    fail "the certificate in ${TORVELT_SIGN_PFX} is not for code signing (extended key usage)"

timestamp=()
[[ -z "${TORVELT_SIGN_TIMESTAMP_URL:-}" ]] || timestamp=(-ts "${TORVELT_SIGN_TIMESTAMP_URL}")
signed="${file}.signing"
trap 'rm -f -- "${signed}"' EXIT
printf '%s' "${TORVELT_SIGN_PASSWORD}" |
    "${TORVELT_OSSLSIGNCODE}" sign -pkcs12 "${TORVELT_SIGN_PFX}" -readpass - -h sha256 \
        "${timestamp[@]}" -in "${file}" -out "${signed}" >/dev/null || fail "osslsigncode failed"
mv -f -- "${signed}" "${file}"
