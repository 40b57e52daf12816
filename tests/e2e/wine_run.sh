#!/bin/sh
# Runs a Windows program under the session's Wine loader (see wine_session.sh).
#   wine_run.sh STATE_DIR PROGRAM.exe [ARGS...]
# Exit status and output are the program's. WINE_RUN_TIMEOUT (seconds, default
# 120) stops a program that hangs; WINE_RUN_STDIN names a file for its standard
# input (default: none); WINE_RUN_DLL_OVERRIDES adds to the session's DLL overrides
# ("mfplat=d" runs the program as on a Windows without that DLL).
set -u

[ $# -ge 2 ] || { echo "usage: wine_run.sh STATE_DIR PROGRAM [ARGS...]" >&2; exit 2; }
state=$1
shift
if [ ! -f "$state/session.env" ]; then
    echo "wine_run: no Wine session in $state (run the e2e.session_start test)" >&2
    exit 2
fi
set -a
. "$state/session.env"
set +a
[ -z "${WINE_RUN_DLL_OVERRIDES:-}" ] || WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$WINE_RUN_DLL_OVERRIDES"

# NOTE: Windows processes that Wine starts in the background inherit the output
# of whoever started them; going through files keeps them off our caller's pipes.
capture=$(mktemp -d "$state/run.XXXXXX") || exit 2
timeout --kill-after=5 "${WINE_RUN_TIMEOUT:-120}" "$WINE_LOADER" "$@" \
    <"${WINE_RUN_STDIN:-/dev/null}" >"$capture/stdout" 2>"$capture/stderr"
status=$?
cat "$capture/stdout"
cat "$capture/stderr" >&2
rm -rf "$capture"
exit "$status"
