#!/usr/bin/env bash
# The main job on the bundled sample (filled in as the subsystems land).
set -euo pipefail
BUILD=${1:-build}
"$BUILD/arbelio-batch" --help
