# fish completion for zorm: the mode words and options with their summaries, a
# file name after --eval-file, and nothing where a statement or another
# option's word goes.

# BEGIN option table
# Each option: its long form, its short form ('' for none), the words it
# takes (-1: every word after it, or none as the run ends), what they are
# (file, word or -) and its summary. Generated from src/session/option_table.h
# by the zorm_generate target; a test fails while it differs.
set -g __zorm_options \
  +command-line c -1 - 'command-line mode: every word after it is a statement' \
  +stdin s 0 - 'standard-input mode (the default)' \
  +replace r 0 - 'replace mode: each [[statement]] of the input by its result' \
  --print-xp pxp 0 - 'repeat the statement before its result' \
  --print-newline pn 0 - 'with --print-xp, the result on a line of its own' \
  --print-unit pu 0 - 'also print the unit string of statements without value' \
  --print-symbol ps 0 - 'the > marker before results (on by default)' \
  --display-welcome dw 0 - 'the welcome banner (on by default)' \
  --eval-now en -1 - 'evaluate every word after it now, then run the mode' \
  --delimiters del 2 word 'the left and right delimiters of replace mode' \
  --eval-file ef 1 file 'evaluate a file of statements silently' \
  --unit-string us 1 word 'the result text of statements without value' \
  --print_errors pe 0 - 'failure reports on standard error (on by default)' \
  --show-error se 0 - 'the caret line under the failing text (on by default)' \
  --help '' -1 - 'print the help page and exit'
# END option table

# What the word being typed is: an option, a file or another option's word,
# or none (a statement, or anything after --help).
function __zorm_expects
    set -l skip 0
    set -l what -
    for word in (commandline -opc)[2..-1]
        if test $skip -gt 0
            set skip (math $skip - 1)
            continue
        end
        test -n "$word"; or continue
        for j in (seq 1 5 (count $__zorm_options))
            if contains -- $word $__zorm_options[$j] $__zorm_options[(math $j + 1)]
                set -l takes $__zorm_options[(math $j + 2)]
                if test $takes -lt 0
                    echo none
                    return
                end
                set skip $takes
                set what $__zorm_options[(math $j + 3)]
                break
            end
        end
    end
    if test $skip -gt 0
        echo $what
    else
        echo option
    end
end

# The words to offer, each with its summary; the short forms once something
# has been typed.
function __zorm_offered
    set -l typed (commandline -ct)
    for j in (seq 1 5 (count $__zorm_options))
        printf '%s\t%s\n' $__zorm_options[$j] $__zorm_options[(math $j + 4)]
        set -l short $__zorm_options[(math $j + 1)]
        if test -n "$typed" -a -n "$short"
            printf '%s\t%s\n' $short $__zorm_options[(math $j + 4)]
        end
    end
end

complete -c zorm -f
complete -c zorm -n 'test (__zorm_expects) = option' -a '(__zorm_offered)'
complete -c zorm -n 'test (__zorm_expects) = file' -F
