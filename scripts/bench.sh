#!/usr/bin/env bash
# Benchmarks the programs against the least work their jobs need, side by side:
#   - dirpull over a 64-disk container (6,393 files) against bench/baseline
#     writing the same tree with one open, one write and one close per file;
#   - sectorcut cutting a whole disk against dd copying as many bytes;
#   - dirpull over 1, 8 and 64 disks, to show how the cost grows;
#   - bytes read from the kernel per container byte, system calls per
#     extracted file (strace), and peak memory (/usr/bin/time);
#   - the reader's Google Benchmark.
# Prints medians of several repetitions and their ratios.
#
#   scripts/bench.sh [REPETITIONS]        (default 7)
#
# The runs write into a scratch folder on /dev/shm (memory), so that the
# programs' own work shows rather than the disk's; BENCH_DIR=folder puts it
# elsewhere. DIRPULL=path and SECTORCUT=path measure other builds of the
# programs.
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-7}
root=$PWD
build=$root/build-bench

need=()
command -v strace >/dev/null || need+=(strace)
[ -x /usr/bin/time ] || need+=(time)
dpkg -s libbenchmark-dev >/dev/null 2>&1 || need+=(libbenchmark-dev)
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

cmake -S . -B "$build" -DD88_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 >/dev/null
dirpull=$(realpath "${DIRPULL:-$build/dirpull/dirpull}")
sectorcut=$(realpath "${SECTORCUT:-$build/sectorcut/sectorcut}")
baseline=$build/bench/baseline

scratch=${BENCH_DIR:-}
if [ -z "$scratch" ]; then
  scratch=/dev/shm
  [ -d "$scratch" ] && [ -w "$scratch" ] || scratch=${TMPDIR:-/tmp}
fi
mkdir -p "$scratch"
work=$(mktemp -d "$(realpath "$scratch")/d88bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
for disks in 1 8 64; do
  "$build/bench/make_bench" "$disks" "c$disks"
done
files=$(wc -l <c64.list)
container=$(stat -c %s c64.d88)
disk_bytes=$(stat -c %s c1.d88)
cut_bytes=473088

echo "scratch folder on $(stat -f -c %T "$work"); load before: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) on $(nproc) cores"

# The programs must give the very tree the baseline writes.
mkdir check-a check-b
(cd check-a && "$dirpull" ../c64.d88 >/dev/null)
(cd check-b && "$baseline" ../c64.list ../c64.blob)
diff -r check-a check-b >/dev/null || { echo "dirpull's tree differs from the baseline's" >&2; exit 1; }
rm -rf check-a check-b

now_us() { local t=$EPOCHREALTIME; echo "${t/./}"; }

# time_into NAME COMMAND...: runs COMMAND in a fresh folder and appends its
# wall time in microseconds to the file NAME.times.
time_into() {
  local name=$1
  shift
  rm -rf run && mkdir run && sync
  local start end
  start=$(now_us)
  (cd run && "$@" >/dev/null)
  end=$(now_us)
  echo $((end - start)) >>"$name.times"
}

median_ms() { sort -n "$1.times" | awk '{v[NR]=$1} END {m = NR % 2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2; printf "%.2f", m/1000}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a/b}'; }

# Each pair runs in turns, first one then the other first, so that neither
# always follows the removal of the other's tree.
short_reps=$((reps * 5))
for ((i = 0; i < reps; i++)); do
  if ((i % 2 == 0)); then
    time_into dirpull64 "$dirpull" ../c64.d88
    time_into baseline64 "$baseline" ../c64.list ../c64.blob
  else
    time_into baseline64 "$baseline" ../c64.list ../c64.blob
    time_into dirpull64 "$dirpull" ../c64.d88
  fi
  time_into dirpull8 "$dirpull" ../c8.d88
  time_into dirpull1 "$dirpull" ../c1.d88
done
for ((i = 0; i < short_reps; i++)); do
  if ((i % 2 == 0)); then
    time_into sectorcut "$sectorcut" ../c1.d88 out.bin 0 0 1 $cut_bytes
    time_into dd dd if=../c1.d88 of=out.bin bs=$cut_bytes count=1 status=none
  else
    time_into dd dd if=../c1.d88 of=out.bin bs=$cut_bytes count=1 status=none
    time_into sectorcut "$sectorcut" ../c1.d88 out.bin 0 0 1 $cut_bytes
  fi
done
rm -rf run

# Bytes that read system calls returned, and system calls by name.
bytes_read() {
  strace -f -qq -e trace=read,pread64,readv -o trace.log "$@" >/dev/null
  awk -F'= ' '$NF ~ /^[0-9]+/ {s += $NF} END {print s + 0}' trace.log
}
mkdir run && cd run
dirpull_read=$(bytes_read "$dirpull" ../c64.d88)
cd .. && rm -rf run && mkdir run && cd run
cut_read=$(bytes_read "$sectorcut" ../c1.d88 out.bin 0 0 1 $cut_bytes)
cd .. && rm -rf run && mkdir run && cd run
strace -f -c -o ../calls.txt "$dirpull" ../c64.d88 >/dev/null
cd .. && rm -rf run
per_file() {
  awk -v files="$files" -v want="$1" '
    $NF == want {printf "%.2f", $4 / files; found = 1}
    END {if (!found) printf "0"}' calls.txt
}

peak_kib() { /usr/bin/time -f %M -o peak.txt "$@" >/dev/null 2>&1; cat peak.txt; }
mkdir run && cd run
dirpull_peak=$(peak_kib "$dirpull" ../c64.d88)
cd .. && rm -rf run && mkdir run && cd run
baseline_peak=$(peak_kib "$baseline" ../c64.list ../c64.blob)
cut_peak=$(peak_kib "$sectorcut" ../c1.d88 out.bin 0 0 1 $cut_bytes)
dd_peak=$(peak_kib dd if=../c1.d88 of=out.bin bs=$cut_bytes count=1 status=none)
cd .. && rm -rf run

d64=$(median_ms dirpull64)
b64=$(median_ms baseline64)
d8=$(median_ms dirpull8)
d1=$(median_ms dirpull1)
sc=$(median_ms sectorcut)
dd=$(median_ms dd)
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Medians of $reps runs ($short_reps for the whole-disk cut), wall time in ms:"
printf '  %-44s %9s %s\n' "dirpull, 64 disks, $files files" "$d64" "$(ratio "$d64" "$b64")x the baseline"
printf '  %-44s %9s\n' "baseline writing the same tree" "$b64"
printf '  %-44s %9s %s\n' "sectorcut, whole disk ($cut_bytes bytes)" "$sc" "$(ratio "$sc" "$dd")x dd"
printf '  %-44s %9s\n' "dd, the same number of bytes in one block" "$dd"
printf '  %-44s %9s %s\n' "dirpull, 1 disk" "$d1" "$d1 ms a disk"
printf '  %-44s %9s %s\n' "dirpull, 8 disks" "$d8" "$(awk -v t="$d8" 'BEGIN {printf "%.2f", t/8}') ms a disk"
printf '  %-44s %9s %s\n' "dirpull, 64 disks" "$d64" "$(awk -v t="$d64" 'BEGIN {printf "%.2f", t/64}') ms a disk"
printf '  %-44s %9s\n' "each disk added from 1 to 8 disks" "$(awk -v a="$d1" -v b="$d8" 'BEGIN {printf "%.2f", (b-a)/7}')"
printf '  %-44s %9s\n' "each disk added from 8 to 64 disks" "$(awk -v a="$d8" -v b="$d64" 'BEGIN {printf "%.2f", (b-a)/56}')"
echo
echo "Bytes read from the kernel per container byte:"
printf '  %-44s %s\n' "dirpull, 64 disks ($container bytes)" "$(ratio "$dirpull_read" "$container") ($dirpull_read bytes)"
printf '  %-44s %s\n' "sectorcut, whole disk ($disk_bytes bytes)" "$(ratio "$cut_read" "$disk_bytes") ($cut_read bytes)"
echo
echo "System calls per extracted file (dirpull, 64 disks):"
printf '  total %s: openat %s, write %s, close %s, stat %s, read %s, lseek %s\n' \
  "$(awk -v files="$files" '$NF == "total" {printf "%.2f", $4 / files}' calls.txt)" \
  "$(per_file openat)" "$(per_file write)" "$(per_file close)" "$(per_file newfstatat)" "$(per_file read)" \
  "$(per_file lseek)"
echo
echo "Peak memory (max RSS, KiB):"
printf '  dirpull %s, baseline %s, sectorcut %s, dd %s\n' "$dirpull_peak" "$baseline_peak" "$cut_peak" "$dd_peak"
echo
echo "Reader benchmark:"
"$build/bench/reader_bench" --benchmark_min_time=0.2 2>/dev/null | grep -E '^(BM_|Benchmark|-)'
