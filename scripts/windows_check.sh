#!/usr/bin/env bash
# Cross-builds the programs for Windows with MinGW-w64 and runs them as .exe
# under Wine, in two ways:
#
# 1. Each case below runs twice, with the native build and with the .exe, each
#    in a fresh folder holding the same files. The Windows run must give the
#    same exit code, the same files byte for byte, and the same standard output
#    and standard error with every "\n" written as "\r\n" (the text streams'
#    line end there). Two parts of a message may differ by nature and are
#    compared loosely: the program name as invoked in the usage line, and the
#    system's reason after "PROGRAM: NAME: ", which comes from each system's C
#    library.
# 2. The end-to-end tests (tests/e2e_tests) run on the .exe files through
#    wrappers that require CR LF line ends and hand the output on with LF.
#
# Needs the Debian packages g++-mingw-w64-x86-64 and wine64. D88_NATIVE_BUILD
# names a native build folder with the tests to use (default build-native);
# KEEP_SCRATCH=1 keeps the scratch folder with every case's output.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
native=${D88_NATIVE_BUILD:-build-native} # a native build with the tests

if ! command -v x86_64-w64-mingw32-g++ >/dev/null; then
  echo "windows_check: x86_64-w64-mingw32-g++ not found (apt-get install g++-mingw-w64-x86-64)" >&2
  exit 1
fi
# Debian's wine64 keeps its loader off PATH.
wine=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wine64$' || true)
if [ -z "$wine" ] || [ ! -x "$wine" ]; then
  echo "windows_check: the wine64 loader not found (apt-get install wine64)" >&2
  exit 1
fi
wineserver=$(dirname "$wine")/wineserver

echo "-- native and Windows builds"
if [ -f "$native/CMakeCache.txt" ]; then
  cmake -S . -B "$native" >/dev/null # as it was configured
else
  cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$native" -j "$jobs" --target sectorcut dirpull d88info e2e_tests e2e_d88info_tests >/dev/null
cmake --no-warn-unused-cli -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake -DD88_WERROR=ON \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j "$jobs" --target sectorcut dirpull d88info >/dev/null

echo "-- clang-tidy on the Windows platform layer"
# clang finds MinGW's C++ headers only when told; GCC's own headers (its
# intrinsics) stay out, clang brings its own.
tidy_args=()
while read -r dir; do
  case $dir in
    */c++ | */c++/*) tidy_args+=("--extra-arg=-isystem$dir") ;;
  esac
done < <(x86_64-w64-mingw32-g++ -E -x c++ -v - </dev/null 2>&1 | sed -n 's/^ \(\/.*\)/\1/p')
tidy_args+=("--extra-arg=-isystem/usr/x86_64-w64-mingw32/include")
clang-tidy -p build-windows --quiet "${tidy_args[@]}" platform/platform_windows.cpp
echo "clang-tidy: no findings"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/windows_check.XXXXXX")
export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$scratch"
}
trap cleanup EXIT

echo "-- Wine prefix"
mkdir "$WINEPREFIX"
"$wineserver" -p # stays up between runs, so each run starts quickly
"$wine" wineboot --init >/dev/null 2>&1

# Fixtures, made in the case folder.
example() { cp "$root/examples/example.d88" disk.d88; }
# The second disk ends before its directory on track 37.
truncated() { head -c $((481840 + 100000)) "$root/examples/example.d88" >disk.d88; }
hard_link() { example && ln disk.d88 link.d88; }
sym_link() { example && ln -s disk.d88 link.d88; }
folder_000_with_files() {
  example && mkdir 000 && echo old >000/HELLO.BAS && echo old >'000/HELLO.BAS$' && echo old >000/SORT.BAS
}
file_named_001() { example && echo in the way >001; }
container_named_like_a_file() { cp "$root/examples/example.d88" HELLO.BAS; }

# Text stream output as the Windows C library writes it.
crlf() { perl -pe 's/\n/\r\n/g'; }
# The loosely compared parts: the name in the usage line, and the system's
# reason at the end of a message (not the programs' own "...; not written").
loose() {
  perl -pe 's/^Usage: \S+ \[d88file\]/Usage: PROGRAM [d88file]/;
    s/^((sectorcut|dirpull|d88info): .*): (?![^:\r\n]*not (over)?written\r?$)[^:\r\n]*(\r?)$/$1: REASON$4/'
}

passed=0
failed=0
# check NAME SETUP PROGRAM ARGUMENTS...
check() {
  local name=$1 setup=$2 program=$3
  shift 3
  local dir=$scratch/cases/$name
  mkdir -p "$dir/native" "$dir/windows"
  (cd "$dir/native" && $setup)
  (cd "$dir/windows" && $setup)
  local rc_native=0 rc_windows=0
  (cd "$dir/native" && "$root/$native/$program/$program" "$@" >"$dir/native.out" 2>"$dir/native.err") ||
    rc_native=$?
  (cd "$dir/windows" && "$wine" "$root/build-windows/$program/$program.exe" "$@" \
    >"$dir/windows.out" 2>"$dir/windows.err") || rc_windows=$?
  local problems=()
  [ "$rc_native" = "$rc_windows" ] || problems+=("exit code $rc_windows, native $rc_native")
  crlf <"$dir/native.out" >"$dir/expected.out"
  cmp -s "$dir/expected.out" "$dir/windows.out" || problems+=("standard output differs")
  crlf <"$dir/native.err" | loose >"$dir/expected.err"
  loose <"$dir/windows.err" >"$dir/actual.err"
  cmp -s "$dir/expected.err" "$dir/actual.err" || problems+=("standard error differs")
  diff -r "$dir/native" "$dir/windows" >"$dir/files.diff" 2>&1 || problems+=("files differ")
  if [ ${#problems[@]} -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name: ${problems[*]}"
    diff <(od -c "$dir/expected.out") <(od -c "$dir/windows.out") | head -20 || true
    diff <(od -c "$dir/expected.err") <(od -c "$dir/actual.err") | head -20 || true
    head -20 "$dir/files.diff"
  fi
}

echo "-- sectorcut"
check cut-usage example sectorcut
check cut-usage-four-arguments example sectorcut disk.d88 out.bin 0 1
check cut-one-sector example sectorcut disk.d88 one.bin 0 1 1
check cut-sector-6 example sectorcut disk.d88 six.bin 0 37 6
check cut-run-hex example sectorcut disk.d88 run.bin 0x0 0xa 5 3000 0x10
check cut-whole-disk example sectorcut disk.d88 all.bin 0 0 1 473088
check cut-second-disk-offset example sectorcut disk.d88 d1.bin 1 0 1 20000 1500
check cut-sector-7 example sectorcut disk.d88 none.bin 0 0 7
check cut-sector-0 example sectorcut disk.d88 empty.bin 0 0 0
check cut-negative-disk example sectorcut disk.d88 neg.bin -1 0 1
check cut-no-such-disk example sectorcut disk.d88 x.bin 2 0 1
check cut-no-container example sectorcut missing.d88 x.bin 0 0 1
check cut-no-wildcards example sectorcut '*.d88' 'o?.bin' 0 0 1
check cut-no-output-folder example sectorcut disk.d88 nofolder/x.bin 0 0 1
check cut-onto-container example sectorcut disk.d88 disk.d88 0 0 1
check cut-onto-hard-link hard_link sectorcut disk.d88 link.d88 0 0 1
check cut-onto-symbolic-link sym_link sectorcut disk.d88 link.d88 0 0 1

echo "-- dirpull"
check pull-usage example dirpull
check pull-usage-h example dirpull disk.d88 -d -h
check pull-no-container example dirpull missing.d88
check pull-folders example dirpull disk.d88
check pull-no-folders example dirpull disk.d88 -d -x
check pull-rename-in-existing-folder folder_000_with_files dirpull disk.d88 -f
check pull-replace-in-existing-folder folder_000_with_files dirpull disk.d88
check pull-stops-at-incomplete-directory truncated dirpull disk.d88
check pull-file-in-the-way file_named_001 dirpull disk.d88
check pull-onto-container container_named_like_a_file dirpull HELLO.BAS -d

echo "-- d88info"
check info-usage example d88info
check info-no-container example d88info missing.d88
check info-disks example d88info disk.d88
check info-tracks example d88info disk.d88 -t
check info-json example d88info disk.d88 -j -t
check info-truncated truncated d88info disk.d88 -t
check info-two-containers example d88info disk.d88 other.d88
check info-options-joined-before example d88info -tj disk.d88
check info-unknown-option example d88info disk.d88 -x
# A folder as the container: Linux opens it and reads nothing ("Is a
# directory"), Windows refuses to open it ("Permission denied").
check info-folder example d88info .

echo "windows_check: $passed passed, $failed failed"

echo "-- the end-to-end tests, run on the Windows build"
# Wrappers stand for the native programs: each runs its .exe under Wine,
# requires every line it printed to end in CR LF, and hands the output on with
# LF line ends. The usage line names the program as invoked, under Wine the
# .exe's Windows path; the wrapper puts its own name there.
mkdir "$scratch/bin"
for program in sectorcut dirpull d88info; do
  exe=$root/build-windows/$program/$program.exe
  cat >"$scratch/bin/$program" <<WRAPPER
#!/usr/bin/env bash
out=\$(mktemp) err=\$(mktemp)
trap 'rm -f "\$out" "\$err"' EXIT
status=0
"$wine" "$exe" "\$@" >"\$out" 2>"\$err" || status=\$?
for stream in "\$out" "\$err"; do
  if ! perl -0777 -ne 'exit 1 if /(?<!\r)\n/' "\$stream"; then
    echo "windows_check: a line printed by $program.exe does not end in CR LF" >&2
    exit 99
  fi
done
perl -0777 -pe 's/\r\n/\n/g' "\$out"
EXE='Z:${exe//\//\\}' SELF="\$0" perl -0777 -pe 's/\r\n/\n/g; s/^Usage: \Q\$ENV{EXE}\E /Usage: \$ENV{SELF} /' "\$err" >&2
exit \$status
WRAPPER
  chmod +x "$scratch/bin/$program"
done
e2e_status=0
export D88_SECTORCUT=$scratch/bin/sectorcut D88_DIRPULL=$scratch/bin/dirpull D88_D88INFO=$scratch/bin/d88info
# D88info.CommandLine expects Linux's reason for a folder given as the
# container; its other rows are cases of the list above.
"$native/tests/e2e_tests" --gtest_brief=1 || e2e_status=$?
"$native/tests/e2e_d88info_tests" --gtest_brief=1 --gtest_filter=-D88info.CommandLine || e2e_status=$?

[ "$failed" -eq 0 ] && [ "$e2e_status" -eq 0 ]
