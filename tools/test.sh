#!/bin/sh
# Builds the shipped i686 installer and the x86-64 test build, then runs every
# test on wine64.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --workflow --preset product
cmake --workflow --preset tests
