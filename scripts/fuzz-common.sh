# Shared by scripts/fuzz-smoke and scripts/fuzz-long: builds the fuzz targets
# and runs them FUZZ_JOBS at a time (default 2, one per core), with a summary
# line per target as it ends. Sourced, not run.

# The same list the fuzz project builds.
mapfile -t fuzz_targets < fuzz/targets.txt
fuzz_build=${FUZZ_BUILD_DIR:-build-fuzz}

fuzz_configure_and_build() {
  if ! command -v clang++ >/dev/null; then
    echo "clang++ not found: scripts/setup-deps installs clang and libclang-rt-dev" >&2
    exit 2
  fi
  local generator=()
  if [ ! -f "$fuzz_build/CMakeCache.txt" ] && command -v ninja >/dev/null; then
    generator=(-G Ninja)
  fi
  cmake -S fuzz -B "$fuzz_build" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$fuzz_build" -j"$(nproc)"
  mkdir -p "$fuzz_build/artifacts"
}

# fuzz_run TARGET CORPUS_DIR LOG OPTIONS...: the seeds in fuzz/corpus/TARGET
# are read, new inputs go to CORPUS_DIR, a crashing input to
# $fuzz_build/artifacts.
fuzz_run() {
  local target=$1 corpus=$2 log=$3
  shift 3
  mkdir -p "$corpus"
  # A settings file is read again for every key: long inputs only slow the
  # search down, and real ones are far below a kilobyte.
  local max_len=4096
  [ "$target" = settings_file ] && max_len=1024
  "$fuzz_build/fuzz_$target" -max_len="$max_len" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$fuzz_build/artifacts/$target-" "$@" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1
}

# fuzz_summary TARGET LOG STATUS: one line with executions and coverage.
fuzz_summary() {
  local target=$1 log=$2 status=$3
  local execs cov done_line
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  done_line=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")
  if [ "$status" -eq 0 ]; then
    printf '%-15s ok     executions %-10s cov %s\n' "$target" "${execs:-?}" "${cov:-?}"
  else
    printf '%-15s FAILED (exit %s) after %s executions; log and input below\n' "$target" "$status" "${execs:-?}"
    grep -E 'check failed|ERROR|SUMMARY|Test unit written|no recovery' "$log" | head -20 || true
  fi
}

# fuzz_all WORKDIR OPTIONS...: every target, FUZZ_JOBS at a time; the next
# one starts as soon as one ends. Returns non-zero when any target failed.
fuzz_all() {
  local work=$1
  shift
  local jobs=${FUZZ_JOBS:-2} failed=0 t status
  local queue=("${fuzz_targets[@]}") running=() still=()
  while [ ${#queue[@]} -gt 0 ] || [ ${#running[@]} -gt 0 ]; do
    while [ ${#queue[@]} -gt 0 ] && [ ${#running[@]} -lt "$jobs" ]; do
      t=${queue[0]}
      queue=("${queue[@]:1}")
      rm -f "$work/$t.status"
      (
        status=0
        fuzz_run "$t" "$work/corpus/$t" "$work/$t.log" "$@" || status=$?
        echo "$status" >"$work/$t.status.tmp" && mv "$work/$t.status.tmp" "$work/$t.status"
      ) &
      running+=("$t")
    done
    sleep 1
    still=()
    for t in "${running[@]}"; do
      if [ -f "$work/$t.status" ]; then
        status=$(cat "$work/$t.status")
        fuzz_summary "$t" "$work/$t.log" "$status"
        [ "$status" -eq 0 ] || failed=1
      else
        still+=("$t")
      fi
    done
    running=("${still[@]}")
  done
  return "$failed"
}
