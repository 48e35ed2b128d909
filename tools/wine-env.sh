#!/usr/bin/env bash
# Runs a command inside the project's private Wine prefix, on a virtual
# display when there is none, with one wineserver kept alive for the run.
# Usage: wine-env.sh BUILD_DIR COMMAND [ARGS...]
set -u
build=$(cd "$1" && pwd); shift
export WINEPREFIX="$build/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64

xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { disp=":$n"; break; }
  done
  echo "No display: running on the virtual display $disp"
  Xvfb "$disp" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$disp"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${disp#:}" ] && break; sleep 0.1; done
fi

# Wine's background services inherit the descriptors of whoever starts them:
# start them with all three closed, so no pipe of ours stays open behind us.
wineserver -p </dev/null >/dev/null 2>&1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX"
fi
wineboot -i </dev/null >/dev/null 2>&1

"$@"
rc=$?

wineserver -k </dev/null >/dev/null 2>&1
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $rc
