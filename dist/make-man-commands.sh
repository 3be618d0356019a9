#!/usr/bin/env bash
# Writes the COMMANDS section of the man page from the help of each command of hxf, in the form
# help2man includes (help2man makes the rest of the page from the program's main help).
#     make-man-commands.sh HXF OUTPUT
set -euo pipefail
source "$(dirname "$0")/cli-help.sh"
hxf=$1

# roff TEXT: TEXT with the characters roff gives a meaning escaped.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^[.']/\\\\\&&/" <<<"$1"; }

# described SECTION COMMAND: the entries of a help section as "NAME|VALUE|TEXT" lines.
described() {
  help_section "$hxf" "$1" "$2" | sed -nE 's/^  ([^ ]+)( ([^ ]+))?( [A-Z]+| \.\.\.)* {2,}(.*)$/\1|\3|\5/p'
}

{
  echo "[COMMANDS]"
  for command in $(help_commands "$hxf"); do
    help=$("$hxf" "$command" --help)
    usage=$(sed -n 's/^Usage: //p' <<<"$help")
    echo ".SS \"$(roff "$usage")\""
    roff "$(head -n 1 <<<"$help")"
    while IFS='|' read -r name value text; do
      [ "$name" != "-h,--help" ] || continue
      echo ".TP"
      if [[ $name == -* ]]; then
        names=$(roff "$name")
        echo "\\fB${names//,/\\fR, \\fB}\\fR${value:+ \\fI$(roff "$value")\\fR}"
      else
        echo "\\fI$(roff "$name")\\fR"
      fi
      roff "$text"
    done < <(described Positionals "$command"; described Options "$command")
  done
} >"$2.new"
mv "$2.new" "$2"
