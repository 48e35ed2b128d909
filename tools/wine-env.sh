#!/usr/bin/env bash
# Runs a command inside the project's private Wine prefix, on a virtual
# display when there is none, with one wineserver kept alive for the run.
# Usage: wine-env.sh BUILD_DIR [--unmanaged] COMMAND [ARGS...]
# --unmanaged: Wine draws the window frames itself even on a real display
# (the tests ask for it; a virtual display always gets it).
set -u
build=$(cd "$1" && pwd); shift
unmanaged=""
if [ "${1:-}" = "--unmanaged" ]; then unmanaged=1; shift; fi
export WINEPREFIX="$build/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64

xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display itself and tells us its number.
  dfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dfile" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  # A loaded machine can take seconds; without a number there is no display.
  for _ in $(seq 400); do
    [ -s "$dfile" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break
    sleep 0.05
  done
  num=$(head -n1 "$dfile" | tr -d '[:space:]')
  rm -f "$dfile"
  if [ -z "$num" ]; then
    echo "The virtual display did not start" >&2
    kill "$xvfb_pid" 2>/dev/null
    exit 1
  fi
  disp=":$num"
  echo "No display: running on the virtual display $disp"
  export DISPLAY="$disp"
  unmanaged=1
fi

# Wine's background services inherit the descriptors of whoever starts them:
# start them with all three closed, so no pipe of ours stays open behind us.
wineserver -p </dev/null >/dev/null 2>&1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX"
fi
wineboot -i </dev/null >/dev/null 2>&1

# Without a window manager, Wine's X11 driver waits about 2 s for one every
# time a framed window is hidden or destroyed; unmanaged windows skip it. A
# user's desktop has a manager, so `make run` there keeps managed windows.
# Set on every start (a tenth of a second): the registry file on disk can lag
# behind a wineserver that another run of this script keeps alive.
x11key='HKCU\Software\Wine\X11 Driver'
if [ -n "$unmanaged" ]; then
  wine reg add "$x11key" /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
else
  wine reg delete "$x11key" /v Managed /f </dev/null >/dev/null 2>&1
fi

"$@"
rc=$?

wineserver -k </dev/null >/dev/null 2>&1
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $rc
