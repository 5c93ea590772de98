#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Varnok developers
# SPDX-License-Identifier: MIT
# usage: check-options.sh VARNOK_BENCH
# --help prints the usage and succeeds; an unknown option, a missing value or
# a value the option does not take is named on stderr with status 2 and no
# scan; a folder named like an option is reached after "--".
set -uo pipefail
bench=$1
work=$(mktemp -d /tmp/varnok-bench-options.XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0

# expect STATUS PATTERN-ON-STREAM STREAM ARGS...
expect() {
  local status=$1 pattern=$2 stream=$3
  shift 3
  "$bench" "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -ne "$status" ] || ! grep -q -- "$pattern" "$work/$stream"; then
    echo "FAIL: varnok-bench $* gave status $got (wanted $status), $stream:"
    cat "$work/$stream"
    failed=1
  fi
  if [ "$status" -ne 0 ] && grep -q 'groups=' "$work/out"; then
    echo "FAIL: varnok-bench $* scanned after a mistake"
    failed=1
  fi
}

mkdir -p "$work/tree/-odd"
printf same >"$work/tree/-odd/a"
printf same >"$work/tree/-odd/b"

expect 0 '^usage: varnok-bench' out --help
expect 0 '--protect FOLDER' out -h
expect 2 'unknown option --bogus' err --bogus "$work/tree"
expect 2 '--filter needs a value' err "$work/tree" --filter
expect 2 '--readers takes N, not "many"' err --readers many "$work/tree"
expect 2 '--apply takes share|link|trash|move:FOLDER, not "copy"' err --apply copy "$work/tree"
expect 2 '--apply takes share|link|trash|move:FOLDER, not "move:"' err --apply move: "$work/tree"
expect 2 '^usage: varnok-bench' err
# Not an option once options have ended.
expect 0 '^groups=1 files=2 ' out -- "$work/tree/-odd"
exit $failed
