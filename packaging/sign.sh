#!/usr/bin/env bash
# Signs a release file in place (SHA-256 Authenticode) with the certificate TORVELT_SIGN_PFX, whose
# password is in TORVELT_SIGN_PASSWORD, time-stamped by TORVELT_SIGN_TIMESTAMP_URL when it is set.
# usage: sign.sh FILE
set -euo pipefail
if [[ $# -ne 1 || -z "${TORVELT_SIGN_PFX:-}" ]]; then
    echo "usage: TORVELT_SIGN_PFX=FILE.pfx TORVELT_SIGN_PASSWORD=... sign.sh FILE" >&2
    exit 2
fi
file="$1"
fail() {
    echo "sign.sh: $*; ${file} stays unsigned" >&2
    exit 1
}
[[ -v TORVELT_SIGN_PASSWORD ]] || fail "TORVELT_SIGN_PASSWORD holds no password"

# The password goes through the environment and a pipe only, never onto a command line. An
# expired certificate still signs, but Windows would not trust the signature.
openssl pkcs12 -legacy -in "${TORVELT_SIGN_PFX}" -passin env:TORVELT_SIGN_PASSWORD \
    -nokeys -clcerts | openssl x509 -noout -checkend 0 >/dev/null ||
    fail "the certificate in ${TORVELT_SIGN_PFX} cannot be read (wrong password?) or has expired"
timestamp=()
[[ -z "${TORVELT_SIGN_TIMESTAMP_URL:-}" ]] || timestamp=(-ts "${TORVELT_SIGN_TIMESTAMP_URL}")
signed="${file}.signing"
trap 'rm -f -- "${signed}"' EXIT
printf '%s' "${TORVELT_SIGN_PASSWORD}" |
    osslsigncode sign -pkcs12 "${TORVELT_SIGN_PFX}" -readpass - -h sha256 "${timestamp[@]}" \
        -in "${file}" -out "${signed}" >/dev/null || fail "osslsigncode failed"
mv -f -- "${signed}" "${file}"
