#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quorvel need.
# Does nothing when they are all present already.
set -euo pipefail

packages=(
  g++ cmake make            # the compiler and the build
  libncurses-dev            # terminfo, for the terminal front end
  ncurses-term              # the whole terminfo database, which a test renders to
  libgtest-dev libgmock-dev # unit and scenario tests
  libbenchmark-dev          # benchmarks
  python3                   # the benchmarks' table (scripts/bench_table.py)
  tmux                      # end-to-end tests drive the program in tmux
  xvfb xterm xdotool        # one end-to-end test drives the program in a real xterm
  clang libclang-rt-14-dev  # libFuzzer targets
  dpkg-dev lintian          # the Debian package: dpkg-shlibdeps computes its Depends, lintian checks it
  man-db                    # man, for the installed manual page
)

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
