#!/usr/bin/env bash
# Installs what is missing, builds the native runtime and developer tool, then
# compiles and runs the bundled demo program examples/demo.tvs.
set -euo pipefail

cd "$(dirname "$0")/.."

# Let ccache share results between clones in different folders (CI builds in a
# fresh clone each time).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"

scripts/setup.sh
cmake --preset native
cmake --build --preset native

# Compile a copy in the build tree, so that the source tree stays clean
# (talvenc writes the .TVC beside its source).
out=build/native/examples
mkdir -p "$out"
cp examples/demo.tvs "$out/demo.tvs"
echo
echo "Compiling examples/demo.tvs ..."
build/native/talvenc "$out/demo.tvs"

echo "Running examples/demo.tvs ..."
echo "---------------------------------------------------------------"
set +e
build/native/talven "$out/demo.TVC"
status=$?
set -e
echo "---------------------------------------------------------------"
echo "demo.tvs ended with exit code $status (0: normal end, 1: damaged program,"
echo "2: program not found or fatal error, 255: broken off)"
exit $status
