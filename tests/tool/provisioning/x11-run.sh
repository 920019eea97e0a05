#!/bin/sh
# x11-run.sh CMD...: runs CMD on a private virtual X server with Qt's X11 platform, so a test can
# meet real X11 windows without a display; without xvfb-run CMD runs as it is (and skips).
if command -v xvfb-run >/dev/null 2>&1; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb "$@"
fi
exec "$@"
