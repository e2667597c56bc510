#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs them.
#
#   scripts/fuzz.sh [TARGET|all] [SECONDS] [libFuzzer options...]
# Explores: each target runs SECONDS (default 60) from its seeds, the inputs
# that once broke it (tests/fixtures/fuzz/TARGET/) and its corpus of earlier
# runs (build-fuzz/corpus/TARGET/, which grows).
#
#   scripts/fuzz.sh --check [RUNS]
# The test suite's phase: each target runs RUNS inputs (default 50000) with
# a fixed seed, from its seeds and the kept inputs only, so that every run
# on every machine fuzzes the same way and gives the same verdict.
#
# Output goes to build-fuzz/logs/TARGET.log. An input that breaks a target is
# saved under build-fuzz/crashes/TARGET/; the script goes on with the other
# targets and fails at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} == --check ]]; then
  check_runs=${2:-50000}
  wanted=all
else
  check_runs=
  wanted=${1:-all}
  seconds=${2:-60}
fi
shift $(($# < 2 ? $# : 2))

CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DROUTE_CONVERSIE_WERROR=ON -DROUTE_CONVERSIE_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz
rm -rf build-fuzz/seeds
build-fuzz/bin/make-fuzz-seeds build-fuzz/seeds

if [[ $wanted == all ]]; then
  targets=()
  for program in build-fuzz/bin/fuzz_*; do targets+=("${program#build-fuzz/bin/fuzz_}"); done
else
  targets=("$wanted")
fi

# Qt's hashes iterate in the same order in every run.
export QT_HASH_SEED=0
failed=()
for target in "${targets[@]}"; do
  program=build-fuzz/bin/fuzz_$target
  [[ -x $program ]] || { echo "No fuzz target \"$target\"" >&2; exit 2; }
  crashes=build-fuzz/crashes/$target
  log=build-fuzz/logs/$target.log
  mkdir -p "$crashes" build-fuzz/logs
  if [[ -n $check_runs ]]; then
    # New inputs go to a folder of this run alone, so the next run starts alike.
    corpus=build-fuzz/check-corpus/$target
    rm -rf "$corpus"
    budget=(-seed=1 -runs="$check_runs" -timeout=120)
    echo "== $target: $check_runs runs, output in $log"
  else
    corpus=build-fuzz/corpus/$target
    budget=(-max_total_time="$seconds" -timeout=10)
    echo "== $target: $seconds s, output in $log"
  fi
  mkdir -p "$corpus"
  inputs=("$corpus" "build-fuzz/seeds/$target")
  [[ -d tests/fixtures/fuzz/$target ]] && inputs+=("tests/fixtures/fuzz/$target")
  # A slow input or a large appetite for memory counts as a finding.
  if "$program" "${budget[@]}" -rss_limit_mb=2048 -malloc_limit_mb=512 \
      -print_final_stats=1 -artifact_prefix="$crashes/" "$@" \
      "${inputs[@]}" >"$log" 2>&1; then
    grep -E '^(Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' "$log" || true
  else
    tail -n 40 "$log"
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "Fuzz targets that found a fault: ${failed[*]} (inputs in build-fuzz/crashes/)" >&2
  exit 1
fi
