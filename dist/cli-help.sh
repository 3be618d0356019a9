# Reads the help of hxf, for the files made from it (the man page's commands, the bash completion).
# Sourced, not run.

# help_section PROGRAM SECTION [COMMAND]: the lines under the heading "SECTION:" of the help of
# PROGRAM (of its COMMAND when given), up to the next empty line.
help_section() {
  "$1" ${3:+"$3"} --help | awk -v head="$2:" '$0 == head { on = 1; next } on && $0 == "" { exit } on'
}

# help_commands PROGRAM: the command names, one a line.
help_commands() {
  help_section "$1" Subcommands | awk '{ print $1 }'
}

# help_options PROGRAM [COMMAND]: one line per option: its names separated by spaces, "|", and what
# its value is: nothing for a flag, <dir> for a folder, <file> for a path or any other text, or
# the words it takes separated by spaces.
help_options() {
  local names type check kind
  help_section "$1" Options "${2:-}" |
    sed -nE 's/^  (-[^ ]+)( ([A-Z]+)(:([^ ]+))?)? .*/\1|\3|\5/p' |
    while IFS='|' read -r names type check; do
      kind=
      if [ -n "$type" ]; then
        case $check in
          DIR) kind='<dir>' ;;
          \{*\}) kind=${check//[\{\}]/} kind=${kind//,/ } ;;
          *) kind='<file>' ;;
        esac
      fi
      printf '%s|%s\n' "${names//,/ }" "$kind"
    done
}
