#!/usr/bin/env bash
# Fails when a C++ file does not match .clang-format or shellcheck finds a problem in a shell script.
set -euo pipefail
cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.."

status=0
# clang-format 14, as Debian 12 ships it; another version may lay the same code out otherwise.
find logic platform window tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run -Werror || status=1
# -x -P SCRIPTDIR: follow "source" into wine-env.sh next to the script.
shellcheck -x -P SCRIPTDIR scripts/*.sh bench/*.sh tests/e2e/*.sh packaging/*.sh .ci/run || status=1
if [[ ${status} -ne 0 ]]; then
    echo "check-style: fix the above (clang-format -i FILE for C++)" >&2
fi
exit "${status}"
