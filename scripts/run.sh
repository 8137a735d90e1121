#!/usr/bin/env bash
# Sets everything up, builds, and runs the program's main job from the command line:
# reduces a photograph to 16 colours (or, without one, prints the version).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release
exec build/bin/quovo-cli "${@:---version}"
