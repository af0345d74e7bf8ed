#!/usr/bin/env bash
# The whole road of the demo, on the built programs: new install in quillmrk, log-on
# change, idle start of the slideshow with a caption, Tab, NetJumper. scripts/road checks
# each step itself and fails when one does not happen.
set -euo pipefail
bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
source_dir=${QM_SOURCE_DIR:?QM_SOURCE_DIR is not set}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
TMPDIR=$work "$source_dir/scripts/road" "$(dirname "$bin")"
ls "$work"/quillmark-road-*/screenshots/5-netjumper.png >/dev/null
