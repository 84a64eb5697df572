#!/usr/bin/env bash
# Set-up, build, then open Velloplayer. Without a display it says so and exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
exec build/bin/velloplayer "$@"
