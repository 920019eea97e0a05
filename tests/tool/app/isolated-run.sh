#!/bin/sh
# isolated-run.sh CMD...: runs CMD where nothing it starts can reach the machine's network or its
# other processes. A network namespace with loopback only (255.255.255.255 routed through lo, so
# a discovery broadcast stays inside), and a process namespace with its own /proc, so the
# program's start-up, which ends a stray debug bridge, only ever sees processes of this run.
#
# Root makes the namespaces directly; a normal user gets them through a user namespace that maps
# the caller to root inside. Where neither works (a chroot refuses user namespaces, a container may
# lack the capability), CMD runs as it is with CALTRIM_ISOLATION_UNAVAILABLE set to the reason: its
# tests skip with it and start nothing. A test program asked only for its list of tests starts
# nothing either, so the listing runs as it is, and test discovery never depends on namespaces.
set -eu
if [ "${1:-}" = "--inside" ]; then
  shift
  ip link set lo up
  ip route add 255.255.255.255/32 dev lo
  exec "$@"
fi

for arg in "$@"; do
  [ "$arg" != "--gtest_list_tests" ] || exec "$@"
done

namespaces="--net --pid --fork --mount-proc --kill-child"
[ "$(id -u)" -eq 0 ] || namespaces="--map-root-user $namespaces"
# Tried with nothing in them first, so that a refusal is reported rather than run into.
# shellcheck disable=SC2086
if why="$(unshare $namespaces true 2>&1)"; then
  exec unshare $namespaces "$0" --inside "$@"
fi
CALTRIM_ISOLATION_UNAVAILABLE="namespaces cannot be made here (${why:-refused})"
export CALTRIM_ISOLATION_UNAVAILABLE
exec "$@"
