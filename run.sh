#!/usr/bin/env bash
# Installs what is missing, builds zucomm and starts it. Arguments go to zucomm.
# Without a display it shows the headless monitor on the built-in simulated line.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target zucomm zusim
if [[ $# -eq 0 && -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found: here is the headless monitor on the built-in simulated line instead."
  echo "(Start the window on a desktop, or try: ./run.sh --help)"
  exec ./build/src/app/zucomm monitor --port sim --address 1 --address 2 --address 3 --seconds 10
fi
exec ./build/src/app/zucomm "$@"
