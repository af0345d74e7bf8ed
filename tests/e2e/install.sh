#!/usr/bin/env bash
# Installs every generated sample set into a fresh program folder with quillinst and checks
# that quillcat, which rebuilds the catalogue from the registry record, lists each set with
# every one of its pictures and their three files. Also checks that installing again
# changes nothing and that hostile set descriptions are refused without leaving traces.
set -euo pipefail

tools=${QM_TOOLS_DIR:?QM_TOOLS_DIR is not set}
samples=${QM_SAMPLES_DIR:?QM_SAMPLES_DIR is not set}

if [ ! -d "$samples" ]; then
  echo "SKIP: no sample sets in $samples (the sample set generator has not been built)"
  exit 0
fi

sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/config
mkdir -p "$HOME" "$sandbox/program"
program=$sandbox/program
fail() { echo "FAIL: $*" >&2; exit 1; }

# The first [SetDescriptions] key of an images.ini as "name<TAB>folder", then the keys of
# that set's section as "picture<TAB>file base", in file order.
describe() {
  tr -d '\r' <"$1" | awk '
    /^[ \t]*\[/ { s = $0; sub(/^[ \t]*\[[ \t]*/, "", s); sub(/[ \t]*\].*$/, "", s); section = s; next }
    /^[ \t]*;/ || index($0, "=") == 0 { next }
    { k = substr($0, 1, index($0, "=") - 1); v = substr($0, index($0, "=") + 1)
      gsub(/^[ \t]+|[ \t]+$/, "", k); gsub(/^[ \t]+|[ \t]+$/, "", v)
      if (section == "SetDescriptions" && name == "") { name = k; print k "\t" v }
      else if (name != "" && section == name) print k "\t" v }'
}

sets=()
for dir in "$samples"/*/; do
  [ -f "$dir/images.ini" ] || continue
  sets+=("$dir")
  "$tools/quillinst" "$program" "$dir" >/dev/null || fail "quillinst refused $dir"
done
[ ${#sets[@]} -ge 1 ] || fail "no set folder with images.ini under $samples"

"$tools/quillcat" "$program" >"$sandbox/first.txt" || fail "quillcat found no set"
[ -f "$program/quillmrk.ini" ] || fail "quillcat did not rebuild quillmrk.ini"

pictures=0
for dir in "${sets[@]}"; do
  { IFS=$'\t' read -r name folder
    grep -qF "set \"$name\" folder \"$folder\"" "$sandbox/first.txt" || fail "set $name is not listed"
    while IFS=$'\t' read -r picture base; do
      grep -qxF "  picture \"$picture\" base \"$base\" jpg=yes bmp=yes nfo=yes" "$sandbox/first.txt" ||
        fail "picture \"$picture\" of $name is not listed with all three files"
      pictures=$((pictures + 1))
    done
    grep -qF "\"$name\"=\"${folder//\\/\\\\}\"" "$XDG_CONFIG_HOME/quillmark/user.reg" ||
      fail "the registry does not record $name"
  } < <(describe "$dir/images.ini")
done
[ "$pictures" -ge 2 ] || fail "the sample sets hold only $pictures pictures"
grep -qF "${#sets[@]} sets, 0 missing files" "$sandbox/first.txt" || fail "unexpected summary"

link=$XDG_CONFIG_HOME/quillmark/"Quillmark Screen Saver.scr"
[ "$(readlink "$link")" = "$(cd "$program" && pwd -P)/quillsav" ] || fail "screen saver link is wrong"

# Installing again gives the same catalogue and the same record.
cp "$XDG_CONFIG_HOME/quillmark/user.reg" "$sandbox/reg-before"
for dir in "${sets[@]}"; do "$tools/quillinst" "$program" "$dir" >/dev/null; done
rm "$program/quillmrk.ini"
"$tools/quillcat" "$program" >"$sandbox/second.txt"
cmp -s "$sandbox/first.txt" "$sandbox/second.txt" || fail "a second installation changed the catalogue"
cmp -s "$sandbox/reg-before" "$XDG_CONFIG_HOME/quillmark/user.reg" || fail "a second installation changed the registry"

# Hostile or unusable set descriptions are refused and leave nothing behind.
refuse() {
  local label=$1 description=$2
  local bad=$sandbox/bad-$label
  mkdir -p "$bad"
  printf '%b' "$description" >"$bad/images.ini"
  echo x >"$bad/pic.jpg"
  if "$tools/quillinst" "$program" "$bad" 2>"$sandbox/err"; then fail "quillinst accepted $label"; fi
  [ -s "$sandbox/err" ] || fail "quillinst refused $label without saying why"
}
refuse tilde   '[SetDescriptions]\r\nBad~Name=Bad\\\r\n[Bad~Name]\r\nP=pic\r\n'
refuse parent  '[SetDescriptions]\r\nEscape=..\\escaped\\\r\n[Escape]\r\nP=pic\r\n'
refuse deep    '[SetDescriptions]\r\nEscape=Sub\\..\\..\\escaped\\\r\n[Escape]\r\nP=pic\r\n'
refuse absolute "[SetDescriptions]\r\nEscape=$sandbox/escaped/\r\n[Escape]\r\nP=pic\r\n"
refuse itself  '[SetDescriptions]\r\nHere=.\\\r\n[Here]\r\nP=pic\r\n'
refuse empty   '[Config]\r\nX=1\r\n'
[ ! -e "$sandbox/escaped" ] || fail "a refused set was copied outside the program folder"
cmp -s "$sandbox/reg-before" "$XDG_CONFIG_HOME/quillmark/user.reg" || fail "a refused set reached the registry"

# A missing catalogue with nothing installed is reported, not listed as empty.
mkdir -p "$sandbox/empty-home/config"
if XDG_CONFIG_HOME=$sandbox/empty-home/config "$tools/quillcat" "$sandbox/empty-home" >/dev/null 2>&1; then
  fail "quillcat succeeded without any set"
fi

echo "PASS: ${#sets[@]} sets, $pictures pictures installed and listed"
