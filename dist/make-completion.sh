#!/usr/bin/env bash
# Writes the bash completion of hxf from the program's own help, so that it offers exactly the
# commands and options the program has.     make-completion.sh HXF OUTPUT
set -euo pipefail
source "$(dirname "$0")/cli-help.sh"
hxf=$1

commands=$(help_commands "$hxf" | tr '\n' ' ')
commands=${commands% }
[ -n "$commands" ] || { echo "make-completion.sh: no commands in $hxf --help" >&2; exit 1; }
global_options=$(help_options "$hxf")

# names_of OPTION_LINES...: every option name once, space-separated.
names_of() { printf '%s\n' "$@" | cut -d'|' -f1 | tr ' ' '\n' | awk 'NF && !seen[$0]++' | paste -sd' '; }

# value_arms COMMAND OPTION_LINES: the case arms "COMMAND/-o|COMMAND/--option) kind=...;;" of the
# options that take a value (COMMAND may be a pattern).
value_arms() {
  local command=$1 names kind name pattern
  while IFS='|' read -r names kind; do
    [ -n "$kind" ] || continue
    pattern=
    for name in $names; do pattern+="${pattern:+|}$command/$name"; done
    printf "    %s) kind='%s' ;;\n" "$pattern" "$kind"
  done <<<"$2"
}

{
  echo "# bash completion for hxf, made from its own --help when it was built."
  echo "_hxf() {"
  echo '  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} command= kind= i'
  echo '  for ((i = 1; i < COMP_CWORD; i++)); do'
  echo '    case ${COMP_WORDS[i]} in'
  echo "      ${commands// /|}) command=\${COMP_WORDS[i]}; break ;;"
  echo '    esac'
  echo '  done'
  echo '  local options words='
  echo '  case $command in'
  echo "    '') options='$(names_of "$global_options")' words='$commands' ;;"
  for command in $commands; do
    # The common options may stand after the command too.
    echo "    $command) options='$(names_of "$(help_options "$hxf" "$command")" "$global_options")' ;;"
  done
  echo '  esac'
  echo '  case $command/$prev in'
  for command in $commands; do value_arms "$command" "$(help_options "$hxf" "$command")"; done
  value_arms '*' "$global_options"
  echo '  esac'
  echo '  case $kind in'
  echo "    '<file>') mapfile -t COMPREPLY < <(compgen -f -- \"\$cur\") ;;"
  echo "    '<dir>') mapfile -t COMPREPLY < <(compgen -d -- \"\$cur\") ;;"
  echo "    ?*) mapfile -t COMPREPLY < <(compgen -W \"\$kind\" -- \"\$cur\") ;;"
  echo '    *)'
  echo '      if [[ $cur == -* ]]; then'
  echo '        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")'
  echo '      elif [ -z "$command" ]; then'
  echo '        mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")'
  echo '      else'
  echo '        mapfile -t COMPREPLY < <(compgen -f -- "$cur")'
  echo '      fi'
  echo '      ;;'
  echo '  esac'
  echo '}'
  echo 'complete -o filenames -F _hxf hxf'
} >"$2.new"
mv "$2.new" "$2"
