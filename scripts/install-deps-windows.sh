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

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
