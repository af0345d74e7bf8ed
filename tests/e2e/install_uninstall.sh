#!/usr/bin/env bash
# Installs the suite into a sandbox home with scripts/install, checks what landed where,
# adds what the programs make at run time (log-on entries, a settings file), then runs
# scripts/uninstall: the home must be as it was before, but for the settings.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
source_dir=${QM_SOURCE_DIR:?QM_SOURCE_DIR is not set}
build=$(dirname "$bin")
fail() { echo "FAIL: $*" >&2; exit 1; }

for program in quillmrk quillsav quillrun NetJumper quillidle djpeg32.so; do
  [ -e "$bin/$program" ] || { echo "SKIP: $program is not built in $bin"; exit 0; }
done
[ -x "$build/tools/quillinst" ] || { echo "SKIP: quillinst is not built"; exit 0; }

sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
export HOME=$sandbox/home
unset XDG_CONFIG_HOME XDG_DATA_HOME DISPLAY
export XDG_RUNTIME_DIR=$sandbox/run
mkdir -p "$HOME/.config/autostart" "$HOME/.local/share/applications" "$XDG_RUNTIME_DIR"
# The user's own things, which must survive.
printf '[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/true\n' >"$HOME/.config/autostart/other.desktop"
printf '[Desktop Entry]\nType=Application\nName=Editor\nExec=/usr/bin/true\n' >"$HOME/.local/share/applications/editor.desktop"
echo "notes" >"$HOME/notes.txt"

listing() { (cd "$HOME" && find . -path ./.config/quillmark -prune -o -print | sort); }
listing >"$sandbox/before"

# A program folder with a blank in its name: everything must still be quoted right.
"$source_dir/scripts/install" --build "$build" --program-folder "$HOME/Quill Apps/quillmark" \
  >"$sandbox/install.log" 2>&1 || { cat "$sandbox/install.log"; fail "install failed"; }
program="$HOME/Quill Apps/quillmark"
for file in quillmrk quillsav quillrun NetJumper quillidle; do
  [ -x "$program/$file" ] || fail "$file is not installed"
done
[ -f "$program/djpeg32.so" ] && [ -f "$program/Quillmrk.html" ] || fail "decoder or manual missing"
[ -f "$program/install.manifest" ] || fail "no manifest"
entry=$HOME/.local/share/applications/quillmrk.desktop
grep -qxF "Exec=\"$program/quillmrk\"" "$entry" || fail "menu entry: $(cat "$entry")"
grep -qxF "Icon=quillmrk" "$entry" || fail "menu entry has no icon"
grep -q "<svg" "$HOME/.local/share/icons/hicolor/scalable/apps/quillmrk.svg" || fail "no icon"
link=$HOME/.config/quillmark/"Quillmark Screen Saver.scr"
[ "$(readlink "$link")" = "$(cd "$program" && pwd -P)/quillsav" ] || fail "screen saver link is wrong"
if [ -d "$(dirname "$bin")/samples" ]; then
  sets=$(grep -c "images.ini" <(find "$program" -name images.ini)) || true
  [ "$sets" -ge 1 ] || fail "no sample set installed"
fi
# The installed programs run from their new folder.
"$program/quillidle" --help >/dev/null 2>&1 || fail "the installed quillidle does not run"

# Installing again changes nothing in the manifest's list.
cp "$program/install.manifest" "$sandbox/manifest1"
"$source_dir/scripts/install" --build "$build" --program-folder "$program" >/dev/null 2>&1 || fail "second install failed"
cmp -s "$sandbox/manifest1" "$program/install.manifest" || fail "a second install changed the manifest"

# What the programs make at run time: the screen saver's idle start and the wallpaper
# changer's log-on entry, pointing into the program folder.
"$program/quillidle" --enable || fail "quillidle --enable failed"
[ -f "$HOME/.config/autostart/quillidle.desktop" ] || fail "no idle start entry"
sed "s|/usr/bin/true|\"$program/quillrun\"|; s/Name=Other/Name=QuillMark Wallpaper Changer/" \
  "$HOME/.config/autostart/other.desktop" >"$HOME/.config/autostart/QuillMark Wallpaper Changer.desktop"

"$source_dir/scripts/uninstall" --program-folder "$program" >"$sandbox/uninstall.log" 2>&1 ||
  { cat "$sandbox/uninstall.log"; fail "uninstall failed"; }
listing >"$sandbox/after"
diff -u "$sandbox/before" "$sandbox/after" || fail "uninstall left the home different from before"
[ -f "$HOME/.config/quillmark/user.reg" ] || fail "the settings were removed"
[ ! -e "$link" ] && [ ! -L "$link" ] || fail "the screen saver link is still there"
grep -q "settings stay" "$sandbox/uninstall.log" || fail "uninstall does not say the settings stay"

# A settings file the configuration program wrote into the program folder is kept and named.
"$source_dir/scripts/install" --build "$build" --no-samples >/dev/null 2>&1 || fail "default install failed"
default_program=$HOME/.local/share/quillmark
[ -x "$default_program/quillmrk" ] || fail "the default program folder is not ~/.local/share/quillmark"
printf '[Config]\r\n' >"$default_program/quillmrk.ini"
"$source_dir/scripts/uninstall" >"$sandbox/uninstall2.log" 2>&1 || fail "second uninstall failed"
grep -q "quillmrk.ini" "$sandbox/uninstall2.log" || fail "uninstall did not name the kept settings file"
[ "$(cd "$default_program" && find . -mindepth 1)" = "./quillmrk.ini" ] || fail "the default uninstall left more than the settings file"
rm -r "$default_program"
listing >"$sandbox/after2"
diff -u "$sandbox/before" "$sandbox/after2" || fail "the second round left the home different"

# Uninstalling what is not installed says so and fails.
if "$source_dir/scripts/uninstall" >/dev/null 2>&1; then fail "uninstall of nothing succeeded"; fi
echo "PASS"
