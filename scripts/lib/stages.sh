# Sourced by the README's commands (scripts/test, scripts/demo): each stage says in one line what
# it does, the tools' own output goes to a log beside the build, and a stage that fails shows
# what went wrong. The caller sets PROG (its name) and ROOT (the repository).

say() { echo "$PROG: $*" >&2; }
die() { echo "$PROG: $*" >&2; exit 2; }

# Installs the missing Debian packages. Without root, install-deps prints the one line to run;
# then this stops with a clear message.
ensure_packages() {
  say "checking the Debian packages (scripts/install-deps)"
  if ! "$ROOT/scripts/install-deps"; then
    echo "$PROG: some packages are missing and only root can install them: run the line above," \
         "then $PROG again" >&2
    exit 1
  fi
}

# configure_build BUILD [CMAKE-ARGS...]: configures quietly; on failure shows cmake's own report.
configure_build() {
  local build="$1"
  shift
  say "configuring $build"
  mkdir -p "$build"
  if ! cmake -S "$ROOT" -B "$build" "$@" >"$build/configure.log" 2>&1; then
    cat "$build/configure.log" >&2
    die "configuring $build failed (the report above is in $build/configure.log)"
  fi
}

# build_targets BUILD JOBS [TARGET...]: builds (everything without targets), printing the progress
# every tenth; on failure shows the compiler's errors and where the whole log is.
build_targets() {
  local build="$1" jobs="$2" log="$1/build.log" status
  shift 2
  local args=()
  [ $# -eq 0 ] || args=(--target "$@")
  say "building in $build with $jobs jobs (log: $log)"
  set +e
  cmake --build "$build" -j "$jobs" "${args[@]}" 2>&1 | tee "$log" | print_progress
  status=${PIPESTATUS[0]}
  set -e
  if [ "$status" -ne 0 ]; then
    grep -E -B2 -A10 'error|Error [0-9]' "$log" | head -n 120 >&2 || tail -n 60 "$log" >&2
    die "building in $build failed (whole log: $log)"
  fi
}

# Reads the build's output and prints "building N%" each time N passes the next tenth. Knows
# make's "[ 45%]" and ninja's "[12/345]".
print_progress() {
  awk -v prog="$PROG" '
    function show(p) {
      p = int(p / 10) * 10
      if (p > last) { printf "%s: building %d%%\n", prog, p > "/dev/stderr"; last = p }
    }
    BEGIN { last = -1 }
    match($0, /^\[ *[0-9]+%\]/) { show(substr($0, 2, RLENGTH - 3) + 0); next }
    match($0, /^\[[0-9]+\/[0-9]+\]/) {
      split(substr($0, 2, RLENGTH - 2), n, "/")
      if (n[2] > 0) show(100 * n[1] / n[2])
    }
  '
}
