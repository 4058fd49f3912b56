#!/usr/bin/env bash
# The Debian package: cpack builds it from this build, dpkg -x unpacks it into
# a scratch root, where it must hold exactly the program, the manual page, the
# copyright file and the changelog; the unpacked program must print the
# project's version, the dependencies must have been computed from the
# program, and lintian must find no error and no warning.
# Usage: package_test.sh CPACK BUILD_DIR VERSION
set -euo pipefail
cpack=$1 build=$2 version=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$build/package-test
rm -rf "$work"
mkdir -p "$work"
(cd "$build" && "$cpack" -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$work/quorvel_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no $(basename "$deb"); made: $(cd "$work" && ls ./*.deb)"

root=$work/root
dpkg -x "$deb" "$root"
files=$(cd "$root" && find . ! -type d | sort)
expected="./usr/bin/quorvel
./usr/share/doc/quorvel/changelog.gz
./usr/share/doc/quorvel/copyright
./usr/share/man/man1/quorvel.1.gz"
[[ $files == "$expected" ]] || fail "the package holds:"$'\n'"$files"
echo "files: ok"

printed=$("$root/usr/bin/quorvel" --version)
[[ $printed == "quorvel $version" ]] || fail "--version printed '$printed', the project is $version"
echo "--version: $printed"

depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *"libc6 (>= "* && $depends == *"libstdc++6 (>= "* ]] ||
    fail "Depends not computed from the program: '$depends'"
echo "Depends: $depends"

status=0
report=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
[[ $status -eq 0 ]] || fail "lintian: status $status"
echo "lintian: no error, no warning"
