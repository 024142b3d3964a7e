#compdef zorm
# zsh completion for zorm: the mode words and options with their summaries, a
# file name after --eval-file, and nothing where a statement or another
# option's word goes. Installed as _zorm in a directory of $fpath.

# BEGIN option table
# Each option: its long form, its short form ('' for none), the words it
# takes (-1: every word after it, or none as the run ends), what they are
# (file, word or -) and its summary. Generated from src/session/option_table.h
# by the zorm_generate target; a test fails while it differs.
local -a zorm_options=(
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

local -i i j skip=0
local word what=-
for ((i = 2; i < CURRENT; i++)); do
  word=${words[i]}
  if ((skip > 0)); then
    ((skip--))
    continue
  fi
  [[ -n $word ]] || continue
  for ((j = 1; j <= $#zorm_options; j += 5)); do
    if [[ $word == "${zorm_options[j]}" || $word == "${zorm_options[j + 1]}" ]]; then
      if ((zorm_options[j + 2] < 0)); then
        # Every word after it is a statement, or the run ends.
        _message -e statements 'statement'
        return 1
      fi
      skip=${zorm_options[j + 2]} what=${zorm_options[j + 3]}
      break
    fi
  done
done
if ((skip > 0)); then
  if [[ $what == file ]]; then
    _files
  else
    _message -e words 'word'
    return 1
  fi
  return
fi
local -a long short
for ((j = 1; j <= $#zorm_options; j += 5)); do
  long+=("${zorm_options[j]}:${zorm_options[j + 4]}")
  [[ -n ${zorm_options[j + 1]} ]] && short+=("${zorm_options[j + 1]}:${zorm_options[j + 4]}")
done
_describe -t options 'option' long
# The short forms are offered once something has been typed.
[[ -n $PREFIX ]] && _describe -t short-options 'short form' short
return 0
