#!/usr/bin/env bash
# Starts the surveillance program from a build folder: without windows (until the windowed
# program lands), watching the cameras of the settings, or the Demo Camera when no camera is
# present, and recording into the data directory. Ctrl-C ends it and saves its settings.
set -euo pipefail
build=${1:-build}
"$build/bin/korvex32" --list-cameras
exec "$build/bin/korvex32" --headless --observe
