#!/usr/bin/env bash
# The Wine runners say a prefix they cannot make once, in words, with their
# own exit status (23), rather than handing the program a broken Wine.
#   check_wine_prefix_failure.sh SOURCE_DIR
set -uo pipefail
source_dir="$1"
blocker="$(mktemp)"
trap 'rm -f "$blocker"' EXIT
# A prefix below a plain file can never be made.
for runner in corvane-wine wine-run.sh; do
  if [ "$runner" = corvane-wine ]; then
    said="$(CORVANE_WINEPREFIX="$blocker/prefix" "$source_dir/scripts/corvane-wine" cmd /c exit 2>&1)"
  else
    said="$("$source_dir/scripts/wine-run.sh" "$blocker/prefix" cmd /c exit 2>&1)"
  fi
  status=$?
  if [ "$status" -ne 23 ]; then
    echo "$runner exited $status, not 23: $said" >&2
    exit 1
  fi
  # wine-run.sh runs through corvane-wine, which says it in its own name.
  if ! grep -q "cannot make the Wine prefix $blocker/prefix" <<<"$said"; then
    echo "$runner did not say why: $said" >&2
    exit 1
  fi
done
echo "both Wine runners refuse a prefix they cannot make with status 23"
