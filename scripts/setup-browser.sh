#!/usr/bin/env bash
# Installs what the browser tests of `zorhost serve` need: Debian's chromium and Node.js, then
# the npm packages of tests/browser exactly as its lock file pins them (no browser is downloaded:
# playwright-core drives the system's chromium).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh browser
command -v node >/dev/null && command -v npm >/dev/null || scripts/setup-deps.sh node
cd tests/browser
version() { node -p "try { $1 } catch { '' }"; }
locked=$(version "require('./package-lock.json').packages['node_modules/playwright-core'].version")
installed=$(version "require('./node_modules/playwright-core/package.json').version")
if [ "$locked" != "$installed" ]; then
  echo "setup-browser: npm ci in tests/browser (playwright-core $locked)"
  npm ci --no-audit --no-fund
fi
