#!/usr/bin/env bash
# Starts the surveillance program from a build folder.
set -euo pipefail
build=${1:-build}
exec "$build/bin/korvex32" --version
