#!/usr/bin/env bash
# Installs the page's npm packages (Leaflet, the world layer, esbuild and ESLint) exactly as the lock file pins them.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -f page/package-lock.json ]; then
  (cd page && npm ci --no-audit --no-fund --loglevel=error)
fi
