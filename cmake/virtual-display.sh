#!/bin/sh
# A virtual X display for the Windows window's tests under Wine, one per
# build: started once, detached, when a test first needs it, and stopped with
# the Wine session that drew on it.
#
#   virtual-display.sh start NUMBER STATE_FOLDER
#   virtual-display.sh stop NUMBER STATE_FOLDER WINE_PREFIX WINE_DIR
set -u
action=$1 number=$2 state=$3
pidfile=$state/xvfb-$number.pid
socket=/tmp/.X11-unix/X$number
mkdir -p "$state"

running() { [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; }

case $action in
start)
  (
    flock 9
    if ! running; then
      # -nolisten tcp: the display is this machine's alone.
      setsid Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$state/xvfb-$number.log" 2>&1 9>&- &
      echo $! >"$pidfile"
    fi
    tries=0
    while [ ! -S "$socket" ] && [ $tries -lt 100 ]; do
      running || { cat "$state/xvfb-$number.log" >&2; exit 1; }
      sleep 0.1
      tries=$((tries + 1))
    done
    [ -S "$socket" ]
  ) 9>"$state/display.lock"
  ;;
stop)
  prefix=$4 wine_dir=$5
  (
    flock 9
    # The session drew on this display: it goes first.
    WINEPREFIX=$prefix "$wine_dir/wineserver" -k 2>/dev/null
    WINEPREFIX=$prefix "$wine_dir/wineserver" -w 2>/dev/null
    if running; then kill "$(cat "$pidfile")"; fi
    rm -f "$pidfile"
  ) 9>"$state/display.lock"
  ;;
esac
