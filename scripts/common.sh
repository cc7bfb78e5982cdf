# Shared by the project's scripts: installing the Debian packages the build needs, and building.
# Sourced, not run.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Everything the build, the tests and the tools need, from Debian 12's archive.
PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libcli11-dev
  qt6-base-dev xvfb xauth libbenchmark-dev time libcairo2-dev fonts-dejavu-core
  libxml2-utils gpsbabel python3)

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

# build DIR BUILD_TYPE [CMAKE_ARGS...] [-- TARGETS...]: configures once, then builds everything,
# or only TARGETS (for a caller that needs just those, so that unfinished work elsewhere in the
# tree doesn't stop it); output only on failure.
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
    if ! cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${args[@]}" \
      >"$log" 2>&1; then
      cat "$log"
      echo "Configuring $dir failed." >&2
      return 1
    fi
  fi
  if ! cmake --build "$dir" "${targets[@]}" >"$log" 2>&1; then
    cat "$log"
    echo "Building $dir failed." >&2
    return 1
  fi
}

# run_tests DIR LABEL: runs every test of a build; prints a summary, or the failures in full.
run_tests() {
  local dir="$1" label="$2"
  local log="$dir.ctest.log"
  echo "== tests ($label)"
  if ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" >"$log" 2>&1; then
    grep -E "tests passed|Total Test time" "$log"
  else
    grep -v -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed" "$log"
    echo "Tests failed ($label)." >&2
    return 1
  fi
}
