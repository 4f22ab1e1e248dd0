#!/usr/bin/env bash
# Runs a test program against a private CUPS scheduler in <dir>, never the system one.
#   with-cupsd.sh <dir> <test-binary> [args...]
# Queues: "PlikoraTest" (the default) and "PlikoraOther", both on tests/data/plikora-test.ppd,
# writing what they receive to <dir>/out/<queue>.prn. The test sees PLIKORA_CUPS_DIR, and
# PLIKORA_CUPS_CONTROL: "$PLIKORA_CUPS_CONTROL stop|start" stops the scheduler or starts it again.
set -u
here=$(cd "$(dirname "$0")" && pwd)

# The running scheduler's pid is kept in <dir>/cupsd.pid.
start_cupsd() {
  cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" &
  local pid=$!
  echo "$pid" >"$dir/cupsd.pid"
  for _ in $(seq 1 200); do
    LC_ALL=C lpstat -r 2>/dev/null | grep -q "is running" && return 0
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "with-cupsd: cupsd did not start" >&2
      cat "$dir/log/error_log" >&2 2>/dev/null
      return 1
    fi
    sleep 0.05
  done
  echo "with-cupsd: cupsd does not answer" >&2
  return 1
}
stop_cupsd() {
  local pid
  pid=$(cat "$dir/cupsd.pid" 2>/dev/null) || return 0
  rm -f "$dir/cupsd.pid"
  kill "$pid" 2>/dev/null
  # Not always our child (a test may have started it): wait until it is gone.
  wait "$pid" 2>/dev/null
  while kill -0 "$pid" 2>/dev/null && [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" != Z ]; do
    sleep 0.05
  done
}

if [ "${1:-}" = stop ] || [ "${1:-}" = start ]; then
  dir=$PLIKORA_CUPS_DIR
  export CUPS_SERVER=$dir/cups.sock
  if [ "$1" = stop ]; then
    stop_cupsd
  else
    # Detached from the caller, which does not wait for it; with-cupsd.sh ends it by its pid.
    start_cupsd </dev/null >/dev/null 2>>"$dir/log/control_log"
  fi
  exit
fi

dir=$1; shift
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
mkdir -p "$dir"/{spool,spool/tmp,cache,state,log,ppd,out,ssl}
# cupsd hands the spool and output to its lp user.
chmod 755 "$dir" "$dir"/.. 2>/dev/null || true
chmod 1777 "$dir/out" "$dir/spool/tmp"
cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
DefaultAuthType None
LogLevel warn
Browsing No
WebInterface No
PreserveJobHistory Yes
PreserveJobFiles Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
ServerKeychain $dir/ssl
FileDevice Yes
CONF
trap stop_cupsd EXIT
export CUPS_SERVER=$dir/cups.sock
start_cupsd || exit 1
for q in PlikoraTest PlikoraOther; do
  if ! lpadmin -p "$q" -E -v "file://$dir/out/$q.prn" -P "$here/data/plikora-test.ppd" 2> >(grep -v "drivers are deprecated" >&2); then
    echo "with-cupsd: cannot add queue $q" >&2
    exit 1
  fi
done
lpadmin -d PlikoraTest || exit 1
export PLIKORA_CUPS_DIR=$dir PLIKORA_CUPS_CONTROL=$here/with-cupsd.sh
"$@"
rc=$?
if [ $rc -ne 0 ] && [ -s "$dir/log/error_log" ]; then
  echo "--- cupsd error_log" >&2
  cat "$dir/log/error_log" >&2
fi
exit $rc
