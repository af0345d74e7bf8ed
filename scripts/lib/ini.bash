# Reading settings files from shell scripts, with the suite's rules: section and key names
# match without regard to letter case, values are trimmed, CR LF line ends are fine.
# ini_get FILE SECTION KEY: prints the value (nothing when missing).
ini_get() {
  tr -d '\r' <"$1" | awk -v sec="$2" -v key="$3" '
    /^[ \t]*\[/ { s = $0; sub(/^[ \t]*\[[ \t]*/, "", s); sub(/[ \t]*\].*$/, "", s); in_sec = (tolower(s) == tolower(sec)); next }
    in_sec && index($0, "=") { k = substr($0, 1, index($0, "=") - 1); gsub(/^[ \t]+|[ \t]+$/, "", k)
      if (tolower(k) == tolower(key)) { v = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", v); print v; exit } }'
}
# ini_keys FILE SECTION: prints the key names of the section, in file order.
ini_keys() {
  tr -d '\r' <"$1" | awk -v sec="$2" '
    /^[ \t]*\[/ { s = $0; sub(/^[ \t]*\[[ \t]*/, "", s); sub(/[ \t]*\].*$/, "", s); in_sec = (tolower(s) == tolower(sec)); next }
    in_sec && index($0, "=") { k = substr($0, 1, index($0, "=") - 1); gsub(/^[ \t]+|[ \t]+$/, "", k); print k }'
}
