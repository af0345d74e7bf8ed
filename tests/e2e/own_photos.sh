#!/usr/bin/env bash
# Makes an image set from a folder of photos with quillinst --photos and checks what the
# suite then sees: the set listed with all its files, pictures stored upright, captions
# from the photos' metadata, panorama data for a wide picture, a PNG taken in, and a
# broken file and a link out of the folder skipped. Then --update follows the folder:
# a new photo appended, a deleted one dropped, a picture the user took out kept out.
set -euo pipefail

tools=${QM_TOOLS_DIR:?QM_TOOLS_DIR is not set}
for tool in convert identify exiv2; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done

sandbox=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$sandbox"' EXIT
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/config LC_ALL=C  # names in the code page are bytes
program=$sandbox/program photos=$sandbox/photos
mkdir -p "$HOME" "$program" "$photos/trip" "$sandbox/outside"
fail() { echo "FAIL: $*" >&2; exit 1; }
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.b)]\n" info:; }

# Stored 64 x 48, red on the left and blue on the right; the tag says how to turn it.
half() { convert -size 32x48 xc:red -size 32x48 xc:blue +append -quality 95 "$1"; }
half "$photos/turned_right.jpg"
exiv2 -M'set Exif.Image.Orientation 6' "$photos/turned_right.jpg"
half "$photos/turned_left.jpg"
exiv2 -M'set Exif.Image.Orientation 8' "$photos/turned_left.jpg"
convert -size 64x48 gradient:green-yellow "$photos/trip/harbour.jpg"
exiv2 -M'set Exif.Image.ImageDescription Boats in the morning mist' \
      -M'set Xmp.dc.title lang="x-default" Harbour at dawn' \
      -M'set Exif.Photo.DateTimeOriginal 2023:07:14 06:30:00' "$photos/trip/harbour.jpg"
convert -size 64x48 xc:grey "$photos/trip/lighthouse.jpg"
exiv2 -M'set Xmp.dc.description lang="x-default" The old lighthouse' "$photos/trip/lighthouse.jpg"
convert -size 64x48 xc:brown "$photos/trip/cafe.jpg"
exiv2 -M'set Xmp.dc.title lang="x-default" Café au lait' "$photos/trip/cafe.jpg"
convert -size 192x64 gradient:white-navy "$photos/wide_view.jpg"
convert -size 40x30 xc:orange "$photos/screen_shot.png"
printf '\xff\xd8\xff\xe0 not a picture' >"$photos/broken.jpg"
convert -size 64x48 xc:black "$sandbox/outside/secret.jpg"
ln -s "$sandbox/outside/secret.jpg" "$photos/linked.jpg"
ln -s "$sandbox/outside" "$photos/linked_folder"
before_outside=$(ls -lR "$sandbox/outside" "$photos" | md5sum)
touch "$sandbox/stamp"

"$tools/quillinst" "$program" --photos "$photos" --name "Own Photos" >"$sandbox/out.txt" 2>"$sandbox/err.txt" ||
  fail "quillinst --photos failed: $(cat "$sandbox/err.txt")"
set_dir=$program/Own_Photos
grep -q 'broken.jpg' "$sandbox/err.txt" || fail "the broken file was not reported"
grep -q 'linked.jpg: a link' "$sandbox/err.txt" || fail "the link was not reported"
[ "$(ls -lR "$sandbox/outside" "$photos" | md5sum)" = "$before_outside" ] || fail "the photo folder or outside was changed"
[ "$(find "$program" -mindepth 1 \( -newer "$sandbox/stamp" -o -type l \) | grep -v "^$set_dir" || true)" = "" ] ||
  fail "something outside the set folder was written or linked"

"$tools/quillcat" "$program" >"$sandbox/cat.txt" || fail "quillcat found no set"
grep -qF 'set "Own Photos" folder "Own_Photos\"' "$sandbox/cat.txt" || fail "the set is not listed: $(cat "$sandbox/cat.txt")"
[ "$(grep -c 'jpg=yes bmp=yes nfo=yes' "$sandbox/cat.txt")" = 7 ] || fail "not seven whole pictures: $(cat "$sandbox/cat.txt")"
grep -qF '"Harbour at dawn"' "$sandbox/cat.txt" || fail "the XMP title did not name the picture"
grep -qF '"The old lighthouse"' "$sandbox/cat.txt" || fail "a description alone did not name the picture"
grep -qF '"Wide view"' "$sandbox/cat.txt" || fail "the file name did not name the picture"
grep -qi 'linked\|broken\|secret' "$sandbox/cat.txt" && fail "a skipped file is in the set"

base_of() { sed -n "s/^  picture \"$1\" base \"\([^\"]*\)\".*/\1/p" "$sandbox/cat.txt"; }
right=$set_dir/$(base_of "Turned right").jpg left=$set_dir/$(base_of "Turned left").jpg
[ "$(identify -format '%w %h' "$right")" = "48 64" ] || fail "orientation 6 was not turned upright"
[ "$(identify -format '%w %h' "$left")" = "48 64" ] || fail "orientation 8 was not turned upright"
# Turned a quarter to the right, the red left half is on top; to the left, at the bottom.
read -r r b < <(pixel "$right" 24 4); [ "$r" -gt 200 ] && [ "$b" -lt 60 ] || fail "orientation 6 turned the wrong way ($r $b)"
read -r r b < <(pixel "$left" 24 59); [ "$r" -gt 200 ] && [ "$b" -lt 60 ] || fail "orientation 8 turned the wrong way ($r $b)"
exiv2 -g Orientation "$right" 2>/dev/null | grep -q . && fail "the stored picture keeps an orientation tag"

harbour=$set_dir/$(base_of "Harbour at dawn")
tr -d '\r' <"$harbour.nfo" | grep -qx 'English=Harbour at dawn' || fail "no English caption title"
tr -d '\r' <"$harbour.nfo" | grep -qx 'Japanese=Harbour at dawn' || fail "no Japanese caption title"
grep -q 'Boats in the morning mist' "$harbour.nfo" || fail "the description is not in the caption"
grep -q '2023-07-14' "$harbour.nfo" || fail "the date taken is not in the caption"
grep -q '^\[Info\]' "$harbour.nfo" || fail "no [Info] texts"
wide=$set_dir/$(base_of "Wide view")
tr -d '\r' <"$wide.nfo" | grep -qx 'PanoramicOrigin=[0-9]*' || fail "the panorama has no [Panoramic] origin"
grep -q 'Panoramic' "$harbour.nfo" && fail "a 4:3 picture was taken for a panorama"
png=$set_dir/$(base_of "Screen shot")
[ "$(identify -format '%m %w %h' "$png.jpg")" = "JPEG 40 30" ] || fail "the PNG was not stored as a JPEG"
[ "$(identify -format '%m %w %h %z' "$png.bmp")" = "BMP3 80 60 8" ] || fail "the thumbnail is not an 8-bit 80 x 60 bitmap"
grep -qF '"Own Photos"="Own_Photos\\"' "$XDG_CONFIG_HOME/quillmark/user.reg" || fail "the set is not recorded"

# A second set under a name whose folder is taken is refused, and nothing is changed.
"$tools/quillinst" "$program" --photos "$photos" --name "Own_Photos" 2>/dev/null && fail "a taken folder was used"

# The user takes the lighthouse out; a photo is deleted and one added in the folder.
lighthouse=$(base_of "The old lighthouse")
printf '[Own Photos Deleted Images]\r\nThe old lighthouse=%s\r\n' "$lighthouse" >>"$program/quillmrk.ini"
python3 - "$program/quillmrk.ini" "$lighthouse" <<'EOF'
import sys
path, base = sys.argv[1], sys.argv[2]
lines = open(path, newline='', encoding='latin-1').read().split('\r\n')
section, out = '', []
for line in lines:
    if line.startswith('['): section = line
    if section == '[Own Photos]' and line == 'The old lighthouse=' + base: continue
    out.append(line)
open(path, 'w', newline='', encoding='latin-1').write('\r\n'.join(out))
EOF
rm "$photos/wide_view.jpg"
convert -size 64x48 xc:pink "$photos/trip/zebra.jpg"
"$tools/quillinst" "$program" --update "Own Photos" >"$sandbox/update.txt" 2>&1 || fail "update failed: $(cat "$sandbox/update.txt")"
"$tools/quillcat" "$program" >"$sandbox/cat2.txt"
grep -qF '"Wide view"' "$sandbox/cat2.txt" && fail "a deleted photo stayed in the set"
[ -e "$wide.jpg" ] && fail "a deleted photo's files stayed"
grep -qF "picture \"Caf$(printf '\xe9') au lait\"" "$sandbox/cat2.txt" || fail "a name in the code page did not survive the update"
grep -qF 'picture "Zebra"' "$sandbox/cat2.txt" || fail "a new photo was not appended: $(cat "$sandbox/cat2.txt")"
grep '^  picture' "$sandbox/cat2.txt" | tail -n 1 | grep -qF '"Zebra"' || fail "the new photo is not last"
grep -qF 'removed "The old lighthouse"' "$sandbox/cat2.txt" || fail "the user's removed picture came back"
grep -qF 'picture "The old lighthouse"' "$sandbox/cat2.txt" && fail "the removed picture is shown again"
echo "PASS"
