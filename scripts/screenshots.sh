#!/usr/bin/env bash
# Renders the six pages to docs/pages/*.png (headless, with the Chinese font).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/common.sh"
ensure_packages
build_tool "$ROOT/build"
QT_QPA_PLATFORM=offscreen "$ROOT/build/bin/nettool-screenshots" "$ROOT/docs/pages"
