#!/usr/bin/env bash
# Installs the Debian packages that cross-building Quorvel for Windows and
# testing it under Wine need (make windows, make test-windows). Does nothing
# when they are all present already.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix  # the cross compiler (posix threads: std::mutex)
  googletest                  # GoogleTest's source, built with the cross compiler
  wine64                      # runs the Windows tests and the program here
  tmux                        # the end-to-end session under Wine
  zip                         # the package for Windows users
  groff-base                  # the manual page as text for the package
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
