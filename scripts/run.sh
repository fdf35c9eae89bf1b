#!/usr/bin/env bash
# Sets up, builds and starts the meter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
exec build/src/app/tarvo "$@"
