#!/usr/bin/env bash
# The web page, every file of DIST_DIR/web, built again by reprotest, varied, to the same
# bytes (reproducible_release.sh says how). Runs where it is built (Debian 13).
#
#   tests/package/reproducible_web.sh DIST_DIR ARTIFACTS_DIR
exec "$(dirname "$0")/reproducible_release.sh" "the web page" scripts/package-web.sh "$1" "$2" web
