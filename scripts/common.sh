# Shared by the project's scripts: installing the Debian packages the build needs, and building.
# Sourced, not run.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Everything the build, the tests and the tools need, from Debian 12's archive.
PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libcli11-dev
  qt6-base-dev xvfb xauth libbenchmark-dev time libcairo2-dev fonts-dejavu-core
  libxml2-utils gpsbabel python3 desktop-file-utils shared-mime-info groff-base
  libsqlite3-dev libssl-dev sqlite3 nlohmann-json3-dev)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages that are missing; silent when none is.
ensure_packages() {
  local missing=()
  local p
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# build DIR BUILD_TYPE [CMAKE_ARGS...] [-- TARGETS...]: configures with the given options on every
# run (so a changed option takes effect in an existing build folder; a configure with nothing
# changed takes a second), then builds everything, or only TARGETS (for a caller that needs just
# those, so that unfinished work elsewhere in the tree doesn't stop it); output only on failure.
build() {
  local dir="$1" type="$2"
  shift 2
  local log="$dir.log" args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    args+=("$1")
    shift
  done
  if [ $# -gt 0 ]; then
    shift
    targets=(--target "$@")
  fi
  mkdir -p "$dir"
  if [ ! -f "$dir/build.ninja" ]; then
    echo "Building in ${dir#"$ROOT"/}/ (about 3 minutes the first time)..."
  else
    echo "Building in ${dir#"$ROOT"/}/..."
  fi
  if ! cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${args[@]}" >"$log" 2>&1; then
    cat "$log"
    echo "Configuring $dir failed." >&2
    return 1
  fi
  if ! cmake --build "$dir" "${targets[@]}" >"$log" 2>&1; then
    cat "$log"
    echo "Building $dir failed." >&2
    return 1
  fi
}

# Counts over everything a script runs, for its closing verdict: every test of every suite, and
# one per fuzz target.
PASSED=0
FAILED=0

# run_tests DIR LABEL: runs every test of a build and adds them to the counts; prints a summary,
# or the failures in full. Returns non-zero when a test failed.
run_tests() {
  local dir="$1" label="$2"
  local log="$dir.ctest.log" status=0
  echo "== tests ($label)"
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" >"$log" 2>&1 || status=$?
  local counts failed total
  counts="$(grep -oE "[0-9]+ tests? failed out of [0-9]+" "$log" | tail -n 1)" || true
  if [ -z "$counts" ]; then
    # ctest gave no count (no tests found, or it could not run): one failure for the suite.
    cat "$log"
    echo "The tests did not run ($label)." >&2
    FAILED=$((FAILED + 1))
    return 1
  fi
  failed="${counts%% *}"
  total="${counts##* }"
  PASSED=$((PASSED + total - failed))
  FAILED=$((FAILED + failed))
  # ctest failed without counting a failed test: one failure more.
  if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then FAILED=$((FAILED + 1)); fi
  if [ "$status" -eq 0 ] && [ "$failed" -eq 0 ]; then
    grep -E "tests passed|Total Test time" "$log"
  else
    grep -v -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed" "$log"
    echo "Tests failed ($label)." >&2
    return 1
  fi
}

# fuzz_all SECONDS: builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS, starting from a seed corpus made by tools/mkcorpus; each target counts as one test.
# The input that shows a fault is left in build-fuzz/ (crash-*, timeout-*, oom-*).
fuzz_all() {
  local seconds="$1"
  ensure_packages clang libclang-rt-14-dev llvm
  local dir="$ROOT/build-fuzz"
  # Each target with the seeds it starts from.
  local targets=(convert_g:g convert_b:b identify:identify)
  if ! CC=clang CXX=clang++ build "$dir" RelWithDebInfo -DVELTRIX_FUZZ=ON \
    -DVELTRIX_BUILD_TESTS=OFF -DVELTRIX_BUILD_FRONT_ENDS=OFF ||
    ! "$dir/tools/mkcorpus" "$dir/seeds"; then
    FAILED=$((FAILED + ${#targets[@]}))
    return 1
  fi
  local corpus="$dir/corpus" target name seeds log status=0
  for target in "${targets[@]}"; do
    name="${target%%:*}"
    seeds="$dir/seeds/${target##*:}"
    mkdir -p "$corpus/$name"
    echo "== fuzz_$name for ${seconds}s"
    log="$dir/fuzz_$name.log"
    # Bounded memory and time per input: a hang or a blow-up is a finding as much as a crash.
    if (cd "$dir" && ASAN_OPTIONS=detect_leaks=1 \
      LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0" \
      "./fuzz/fuzz_$name" "$corpus/$name" "$seeds" \
      -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=1024 \
      -print_final_stats=1) >"$log" 2>&1; then
      grep -E "#[0-9]+\s+DONE" "$log" | tail -n 1 | sed 's/^/  /' || true
      grep -E "^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)" "$log" \
        | sed 's/^/  /' || true
      PASSED=$((PASSED + 1))
    else
      tail -n 40 "$log"
      echo "fuzz_$name found a fault; see $log" >&2
      FAILED=$((FAILED + 1))
      status=1
    fi
  done
  return $status
}
