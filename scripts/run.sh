#!/usr/bin/env bash
# Builds Quillar (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/app/quillar
