#!/usr/bin/env bash
# Runs one test binary in its own HOME and XDG folders; label decides the extras.
set -u
label=$1; shift
tmp=$(mktemp -d /tmp/plikora-test.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data \
       XDG_RUNTIME_DIR=$tmp/runtime XDG_CACHE_HOME=$tmp/cache TMPDIR=$tmp/tmp
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# A test must never reach a system scheduler or a desktop bus by accident.
unset CUPS_SERVER DBUS_SESSION_BUS_ADDRESS DISPLAY
export QT_QPA_PLATFORM=offscreen
case "$label" in
  unit|gui) "$@" ;;
  cups) "$here/with-cupsd.sh" "$tmp/cups" "$@" ;;
  dbus) dbus-run-session -- "$@" ;;
  # The test starts its own X server and window manager; no bytecode is left in the sources.
  desktop) PYTHONDONTWRITEBYTECODE=1 "$@" ;;
  *) echo "unknown label $label" >&2; exit 2 ;;
esac
