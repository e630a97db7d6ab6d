#!/usr/bin/env bash
# Set up, build and run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release
cmake --build --preset release
ctest --preset release
