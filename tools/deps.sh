#!/usr/bin/env bash
# Installs the Debian packages zorm builds and tests with, when they are missing.
# Usage: tools/deps.sh [extra-package...]
set -euo pipefail
want=(cmake g++ make libgtest-dev libbenchmark-dev python3 libedit-dev pkg-config tmux clang libclang-rt-14-dev man-db groff-base "$@")
missing=()
for pkg in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
# python3 may come from outside Debian's packages; any interpreter on PATH will do.
if command -v python3 >/dev/null; then
  missing=("${missing[@]/python3/}")
fi
missing=($(printf '%s\n' "${missing[@]}" | sed '/^$/d'))
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >&2 || true
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
