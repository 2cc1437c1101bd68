#!/usr/bin/env bash
# Checks what a user gets: the manual pages render without a warning;
# `cmake --install` puts exactly the expected files under a prefix; the
# installed programs run on the example container and their man pages are
# found; another project builds against the installed reader with
# find_package and with pkg-config; the Debian package installs with dpkg into
# a scratch root (whose package database holds the packages it depends on),
# passes the same checks there, and is removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
build=build-package

programs=(sectorcut dirpull)
if [ -f d88info/CMakeLists.txt ]; then
  programs+=(d88info)
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/package_check.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "package_check: $*" >&2
  exit 1
}

echo "-- manual pages"
for program in "${programs[@]}"; do
  page=man/$program.1
  [ -f "$page" ] || fail "$page is missing"
  warnings=$({
    groff -man -ww -z "$page"
    man --warnings -l "$page" >/dev/null
  } 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
  echo "$page: no warnings"
done

echo "-- build and install"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DD88_BUILD_TESTS=OFF -DD88_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs" >/dev/null
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  include/d88_reader.h
  "$libdir/cmake/d88tools/d88toolsConfig.cmake"
  "$libdir/cmake/d88tools/d88toolsConfigVersion.cmake"
  "$libdir/cmake/d88tools/d88toolsTargets-release.cmake"
  "$libdir/cmake/d88tools/d88toolsTargets.cmake"
  "$libdir/libd88reader.a"
  "$libdir/pkgconfig/d88reader.pc"
)
for program in "${programs[@]}"; do
  expected+=("bin/$program" "share/man/man1/$program.1.gz")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort) ||
  fail "installed files differ from the list above (< expected, > installed)"
echo "${#expected[@]} files installed, as expected"

# exercise USR: runs the programs installed under USR on the example container
# in a fresh folder and reads their manual pages there.
exercise() {
  local usr=$1 run
  run=$(mktemp -d "$scratch/run.XXXXXX")
  cp examples/example.d88 "$run/"
  (
    cd "$run"
    "$usr/bin/dirpull" example.d88 >listing.txt || fail "dirpull: exit code $?"
    grep -qx '\[GAMES DISK\] -> 000' listing.txt && grep -qx '\[TOOLS\] -> 001' listing.txt ||
      fail "dirpull: no disk header lines in: $(cat listing.txt)"
    [ "$(ls 000 | wc -l)" = 4 ] && [ "$(ls 001 | wc -l)" = 3 ] || fail "dirpull: not 4 + 3 files extracted"
    [ "$("$usr/bin/sectorcut" example.d88 all.bin 0 0 1 473088)" = "cutting ... all.bin" ] ||
      fail "sectorcut: no progress line"
    [ "$(stat -c %s all.bin)" = 473088 ] || fail "sectorcut: the whole disk is not 473088 bytes"
    # HELLO.BAS is the 69 bytes at track 1, sector 1: the two programs must agree.
    cmp -s <(tail -c +$((5632 + 1)) all.bin | head -c 69) 000/HELLO.BAS ||
      fail "sectorcut's track 1 and dirpull's HELLO.BAS differ"
    if [ -x "$usr/bin/d88info" ]; then
      "$usr/bin/d88info" example.d88 >info.txt || fail "d88info: exit code $?"
      [ -s info.txt ] || fail "d88info: printed nothing"
    fi
    for program in "${programs[@]}"; do
      page=$(MANPATH=$usr/share/man man -w "$program") && [[ $page == "$usr"/* ]] ||
        fail "man $program: no page under $usr/share/man"
      MANPATH=$usr/share/man man "$program" | grep -q "^NAME" || fail "man $program: does not render"
    done
  )
  echo "programs and manual pages under $usr: ok"
}

# consumer USR NAME: builds the project in tests/install_consumer against the
# reader installed under USR, with CMake and with pkg-config, and runs it.
consumer() {
  local usr=$1 out=$scratch/$2
  local listing="2 disks
0 [GAMES DISK] media 00, track 0: 6 sectors
1 [TOOLS] media 00, track 0: 6 sectors"
  cmake -S tests/install_consumer -B "$out" -DCMAKE_PREFIX_PATH="$usr" >/dev/null
  cmake --build "$out" >/dev/null
  [ "$("$out/list_disks" examples/example.d88)" = "$listing" ] || fail "find_package consumer: wrong listing"
  # The version file turns down a request for a later version.
  if cmake -S tests/install_consumer -B "$out-1.0" -DCMAKE_PREFIX_PATH="$usr" -DD88_VERSION=1.0 \
    >/dev/null 2>&1; then
    fail "find_package(d88tools 1.0) accepted version 0.1"
  fi
  # shellcheck disable=SC2046 # the flags are meant to split
  g++ -std=c++17 -o "$out/list_disks_pc" tests/install_consumer/list_disks.cpp \
    $(PKG_CONFIG_PATH="$usr/$libdir/pkgconfig" pkg-config --cflags --libs d88reader)
  [ "$("$out/list_disks_pc" examples/example.d88)" = "$listing" ] || fail "pkg-config consumer: wrong listing"
  echo "find_package(d88tools) and pkg-config d88reader under $usr: ok"
}

exercise "$prefix"
consumer "$prefix" consumer-install

echo "-- Debian package"
(cd "$build" && cpack -G DEB >"$scratch/cpack.log" 2>&1) || fail "cpack: $(cat "$scratch/cpack.log")"
debs=("$build"/d88tools_*.deb)
[ ${#debs[@]} = 1 ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

# A scratch root whose package database knows the packages that the package
# depends on, as they are installed on this machine, so dpkg checks them.
sysroot=$scratch/root
admin=$sysroot/var/lib/dpkg
mkdir -p "$admin/info" "$admin/updates"
touch "$admin/status"
for dependency in $(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | awk '{print $1}' | sort -u); do
  dpkg-query -s "$dependency" >>"$admin/status" 2>/dev/null || fail "dependency $dependency is not installed"
  echo >>"$admin/status"
  touch "$admin/info/$(dpkg-query -W -f='${binary:Package}' "$dependency").list"
done
dpkg_root=(dpkg --root="$sysroot" --log=/dev/null --force-not-root)
"${dpkg_root[@]}" -i "$deb" >/dev/null
exercise "$sysroot/usr"
consumer "$sysroot/usr" consumer-package
"${dpkg_root[@]}" -r d88tools >/dev/null
left=$(find "$sysroot/usr" ! -type d 2>/dev/null || true)
[ -z "$left" ] || fail "files left after dpkg -r: $left"
"${dpkg_root[@]}" -s d88tools 2>/dev/null | grep -q '^Status: install ok installed' &&
  fail "d88tools still installed after dpkg -r"
echo "dpkg -i, run, dpkg -r in a scratch root: ok"
