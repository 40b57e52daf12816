#!/bin/sh
# Brings up and takes down the X server and Wine prefix that the end-to-end tests
# share.
#   wine_session.sh start STATE_DIR   fresh prefix, Xvfb on a free display, a
#                                     persistent wineserver; writes STATE_DIR/session.env
#   wine_session.sh stop STATE_DIR    stops the wineserver (and every Windows process
#                                     of the prefix) and the X server, removes the prefix
# WINE_LOADER is the loader that runs the programs under test: by default the
# 32-bit one, which runs i686 programs itself and hands x86_64 ones to wine64.
# The prefix is made by wine64, so it holds both kinds of system DLLs. Set WINE64
# and WINESERVER to use other Wine binaries.
set -u

WINE_LOADER=${WINE_LOADER:-/usr/lib/wine/wine}
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

die() {
    echo "wine_session: $*" >&2
    exit 1
}

# Xvfb puts its process id in the display's lock file; that is the one to stop.
xvfb_pid() {
    [ -r "/tmp/.X$1-lock" ] && tr -d ' \n' <"/tmp/.X$1-lock"
}

start_xvfb() {
    state=$1
    display=90
    while [ "$display" -lt 190 ]; do
        if [ ! -e "/tmp/.X$display-lock" ] && [ ! -e "/tmp/.X11-unix/X$display" ]; then
            # NOTE: the server gets a session of its own and no pipe of the test's,
            # so that CTest neither waits for it nor signals it with the test.
            setsid Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp \
                </dev/null >"$state/xvfb.log" 2>&1 &
            tries=0
            while [ "$tries" -lt 100 ]; do
                if [ -S "/tmp/.X11-unix/X$display" ] && pid=$(xvfb_pid "$display") &&
                    grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then
                    echo "$display"
                    return 0
                fi
                sleep 0.1
                tries=$((tries + 1))
            done
            # Lost a race for this display number, or the server failed: next one.
        fi
        display=$((display + 1))
    done
    return 1
}

start() {
    state=$1
    command -v Xvfb >/dev/null || die "Xvfb not found (apt-get install xvfb)"
    [ -x "$WINE64" ] || die "$WINE64 not found (apt-get install wine64)"
    [ -x "$WINE_LOADER" ] || die "$WINE_LOADER not found (apt-get install wine32:i386)"
    [ -x "$WINESERVER" ] || die "$WINESERVER not found (apt-get install wine64)"
    if [ -f "$state/session.env" ]; then
        stop "$state"
    fi
    rm -rf "$state"
    mkdir -p "$state" || die "cannot create $state"

    display=$(start_xvfb "$state") || die "could not start Xvfb (see $state/xvfb.log)"

    WINEPREFIX="$state/prefix"
    # NOTE: Wine turns Unix file names and arguments into Windows ones in the
    # character set of the locale; without UTF-8 every letter beyond ASCII in a
    # test's folder or file name would arrive mangled. The Windows side keeps the
    # locale's Western ANSI code page (1252).
    cat >"$state/session.env" <<ENV
LC_ALL=C.UTF-8
DISPLAY=:$display
WINEPREFIX=$WINEPREFIX
WINEDEBUG=-all
WINEDLLOVERRIDES=mscoree,mshtml=
WINE_LOADER=$WINE_LOADER
WINE64=$WINE64
WINESERVER=$WINESERVER
ENV
    set -a
    . "$state/session.env"
    set +a

    "$WINE64" wineboot -i </dev/null >"$state/wineboot.log" 2>&1 ||
        die "wineboot failed (see $state/wineboot.log)"
    # NOTE: without a window manager Wine waits 2 s for one to withdraw every window
    # it hides (the plug-in's at quit, the player's at exit); unmanaged windows are
    # let go at once.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >>"$state/wineboot.log" 2>&1 || die "cannot set up the prefix's X11 driver"
    "$WINESERVER" -w
    # A persistent server, and the prefix's service processes started once here
    # with their output in a file: every test's program then starts in a couple of
    # seconds, and no background process of Wine holds a test's output pipe open.
    setsid "$WINESERVER" -p </dev/null >"$state/wineserver.log" 2>&1
    "$WINE_LOADER" cmd /c exit </dev/null >"$state/services.log" 2>&1 ||
        die "the fresh prefix cannot run a program with $WINE_LOADER (see $state/services.log)"
    echo "wine_session: display :$display, prefix $WINEPREFIX"
}

stop() {
    state=$1
    [ -f "$state/session.env" ] || return 0
    set -a
    . "$state/session.env"
    set +a
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    display=${DISPLAY#:}
    if pid=$(xvfb_pid "$display") && grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then
        kill "$pid"
        tries=0
        while kill -0 "$pid" 2>/dev/null && [ "$tries" -lt 50 ]; do
            sleep 0.1
            tries=$((tries + 1))
        done
    fi
    rm -rf "$WINEPREFIX"
    rm -f "$state/session.env"
    echo "wine_session: stopped display :$display"
}

[ $# -eq 2 ] || die "usage: wine_session.sh start|stop STATE_DIR"
case $1 in
start) start "$2" ;;
stop) stop "$2" ;;
*) die "usage: wine_session.sh start|stop STATE_DIR" ;;
esac
