#!/usr/bin/env bash
# Fails when a C++ file is not laid out as .clang-format says; prints the offending lines.
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

ensure_packages clang-format
cd "$ORQ_ROOT"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "Formatting: every C++ file follows .clang-format"
