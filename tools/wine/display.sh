# Sourced: makes sure DISPLAY names a running X server, starting Xvfb when there is none.
# VORN_STARTED_XVFB holds the pid of an Xvfb started here, so the caller can stop it.
vorn_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n="${VORN_XVFB_DISPLAY:-77}"
  if [ -e "/tmp/.X11-unix/X$n" ] && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
    export DISPLAY=":$n"
    return 0
  fi
  rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
  setsid Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  VORN_STARTED_XVFB=$!
  export VORN_STARTED_XVFB DISPLAY=":$n"
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}
