#!/usr/bin/env bash
# Installs everything, builds the station and starts it in the working folder run/
# (the station finds app.db, setup.db and images/ in the folder it starts in).
#
#   bash scripts/run.sh                 the station alone
#   bash scripts/run.sh --simulate [N]  the station and a simulated fleet of N
#                                       recorders (default 20) sending to it
set -euo pipefail
cd "$(dirname "$0")/.."

simulate=0
vehicles=20
while [ "$#" -gt 0 ]; do
  case "$1" in
    --simulate)
      simulate=1
      if [ "${2:-}" != "" ] && [ "${2#-}" = "$2" ]; then vehicles="$2"; shift; fi ;;
    -h|--help)
      sed -n '2,8p' "$0"; exit 0 ;;
    *)
      echo "run.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
  shift
done

# Packages need root; the build and the station do not. Started with sudo, the
# script installs as root, then goes on as the user who called sudo, so that
# the embedded browser keeps its sandbox and build/ and run/ belong to that user.
if [ -z "${CORVANE_RUN_AS_USER:-}" ]; then
  bash scripts/install-deps.sh
  if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
    args=()
    [ "$simulate" -eq 1 ] && args=(--simulate "$vehicles")
    exec sudo -u "$SUDO_USER" -H \
      --preserve-env=DISPLAY,WAYLAND_DISPLAY,XAUTHORITY,XDG_RUNTIME_DIR,CORVANE_JOBS \
      env CORVANE_RUN_AS_USER=1 bash "$PWD/scripts/run.sh" "${args[@]}"
  fi
fi
bash scripts/install-npm.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "${CORVANE_JOBS:-2}" --target corvane corvane-recorder-sim

# run/ holds drivers' names and where the fleet has been: the user's alone.
mkdir -p run/images
chmod 700 run
cp -rn images/. run/images/ 2>/dev/null || true
cd run

station=(../build/release/app/corvane)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: the station runs invisibly (Qt's offscreen platform on a"
  echo "1280 x 800 screen). It still receives, stores (run/app.db) and closes in order with"
  echo "Ctrl-C. To see its window, run this command in a desktop session, or log in with"
  echo "'ssh -X' so that the window opens on your screen."
  printf '{"screens": [{"name": "run", "x": 0, "y": 0, "width": 1280, "height": 800}]}\n' \
    > .screens.json
  export QT_QPA_PLATFORM="offscreen:configfile=$PWD/.screens.json"
fi
# The embedded browser refuses to run as root inside its sandbox.
if [ "$(id -u)" -eq 0 ]; then
  echo "Running as root: the embedded browser runs without its sandbox."
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox --disable-gpu}"
fi

if [ "$simulate" -eq 0 ]; then
  exec "${station[@]}"
fi

# The simulator sends to the port the station reads from setup.db (10111 at first).
port=10111
if [ -f setup.db ]; then
  port=$(sqlite3 setup.db "SELECT value FROM setup WHERE key='setup/Port';" 2>/dev/null || true)
  port=${port:-10111}
fi
"${station[@]}" &
station_pid=$!
simulator_pid=""
stop_all() {
  [ -n "$simulator_pid" ] && kill "$simulator_pid" 2>/dev/null || true
  kill -TERM "$station_pid" 2>/dev/null || true
  wait "$station_pid" 2>/dev/null || true
}
trap stop_all INT TERM

# Start sending once the station's callback port is open (at most a minute).
hex_port=$(printf ':%04X ' "$port")
for _ in $(seq 600); do
  grep -q "$hex_port" /proc/net/udp && break
  kill -0 "$station_pid" 2>/dev/null || break
  sleep 0.1
done
echo "Simulating $vehicles recorders sending to 127.0.0.1:$port (Ctrl-C ends both)."
../build/release/tools/corvane-recorder-sim --port "$port" --vehicles "$vehicles" \
  --duration 0 --quiet &
simulator_pid=$!
status=0
wait "$station_pid" || status=$?
kill "$simulator_pid" 2>/dev/null || true
exit "$status"
