#!/usr/bin/env bash
# Installs everything, builds the station and starts it in the working folder run/
# (the station finds app.db, setup.db and images/ in the folder it starts in).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/install-npm.sh
bash scripts/build.sh release -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ ! -x build/release/app/corvane ]; then
  echo "The station program is not built yet; the libraries and their tests are."
  exit 0
fi
mkdir -p run/images
cp -rn images/. run/images/ 2>/dev/null || true
cd run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the station under xvfb-run (invisible)."
  echo "Use a desktop session, or QT_QPA_PLATFORM=offscreen, to run it for real."
  exec xvfb-run -a ../build/release/app/corvane
fi
exec ../build/release/app/corvane
