# bash completion for zorm: mode words and options, and a file name after
# --eval-file.

_zorm() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local i word skip=0 taker=""
  COMPREPLY=()
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if ((skip > 0)); then
      skip=$((skip - 1))
      continue
    fi
    case $word in
      # Every word after these is a statement; --help ends the run.
      +command-line | c | --eval-now | en | --help) return 0 ;;
      --delimiters | del) skip=2 taker=$word ;;
      --eval-file | ef | --unit-string | us) skip=1 taker=$word ;;
    esac
  done
  if ((skip > 0)); then
    case $taker in
      --eval-file | ef)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        ;;
    esac
    return 0
  fi
  local words="+stdin +replace +command-line --print-xp --print-newline --print-unit
    --print-symbol --display-welcome --eval-now --delimiters --eval-file --unit-string
    --print_errors --show-error --help"
  # The short forms are offered once something has been typed.
  [[ -n $cur ]] && words+=" s r c pxp pn pu ps dw en del ef us pe se"
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}

complete -F _zorm zorm
