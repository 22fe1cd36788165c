#!/usr/bin/env bash
# Builds the browser version twice, with the generated data and with that data
# less pizza.bmp, and plays both in headless Chromium (tests/web/browser_test.mjs).
# Needs build/data from the native build (tools/build_web.sh makes it if missing).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

tools/build_web.sh build-web/dist build/data
no_pizza=$(mktemp -d)
trap 'rm -rf "$no_pizza"' EXIT
cp build/data/* "$no_pizza/"
rm "$no_pizza/pizza.bmp"
tools/build_web.sh build-web/dist-no-pizza "$no_pizza"
node --experimental-websocket tests/web/browser_test.mjs \
  build-web/dist build-web/dist-no-pizza build/data
