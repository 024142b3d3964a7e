# bash completion for zorm: the mode words and options, a file name after
# --eval-file, and nothing where a statement or another option's word goes.

# BEGIN option table
# Each option: its long form, its short form ('' for none), the words it
# takes (-1: every word after it, or none as the run ends), what they are
# (file, word or -) and its summary. Generated from src/session/option_table.h
# by the zorm_generate target; a test fails while it differs.
_zorm_options=(
  +command-line c -1 - 'command-line mode: every word after it is a statement'
  +stdin s 0 - 'standard-input mode (the default)'
  +replace r 0 - 'replace mode: each [[statement]] of the input by its result'
  --print-xp pxp 0 - 'repeat the statement before its result'
  --print-newline pn 0 - 'with --print-xp, the result on a line of its own'
  --print-unit pu 0 - 'also print the unit string of statements without value'
  --print-symbol ps 0 - 'the > marker before results (on by default)'
  --display-welcome dw 0 - 'the welcome banner (on by default)'
  --eval-now en -1 - 'evaluate every word after it now, then run the mode'
  --delimiters del 2 word 'the left and right delimiters of replace mode'
  --eval-file ef 1 file 'evaluate a file of statements silently'
  --unit-string us 1 word 'the result text of statements without value'
  --print_errors pe 0 - 'failure reports on standard error (on by default)'
  --show-error se 0 - 'the caret line under the failing text (on by default)'
  --help '' -1 - 'print the help page and exit'
)
# END option table

_zorm() {
  local cur words cword
  if declare -F _get_comp_words_by_ref >/dev/null; then
    # bash-completion: "=" and ":" stay inside words, as zorm reads them.
    _get_comp_words_by_ref -n =: cur words cword
  else
    words=("${COMP_WORDS[@]}") cword=$COMP_CWORD cur=${COMP_WORDS[COMP_CWORD]}
  fi
  COMPREPLY=()
  local i j word skip=0 what=-
  for ((i = 1; i < cword; i++)); do
    word=${words[i]}
    if ((skip > 0)); then
      skip=$((skip - 1))
      continue
    fi
    [[ -n $word ]] || continue
    for ((j = 0; j < ${#_zorm_options[@]}; j += 5)); do
      if [[ $word == "${_zorm_options[j]}" || $word == "${_zorm_options[j + 1]}" ]]; then
        # Every word after it is a statement, or the run ends.
        ((_zorm_options[j + 2] < 0)) && return 0
        skip=${_zorm_options[j + 2]} what=${_zorm_options[j + 3]}
        break
      fi
    done
  done
  if ((skip > 0)); then
    if [[ $what == file ]]; then
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
    return 0
  fi
  local offered=()
  for ((j = 0; j < ${#_zorm_options[@]}; j += 5)); do
    offered+=("${_zorm_options[j]}")
    # The short forms are offered once something has been typed.
    [[ -n $cur && -n ${_zorm_options[j + 1]} ]] && offered+=("${_zorm_options[j + 1]}")
  done
  mapfile -t COMPREPLY < <(compgen -W "${offered[*]}" -- "$cur")
}

complete -F _zorm zorm
