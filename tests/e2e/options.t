# The option table: every flag flips, mode words, options that take words,
# the words that end the parse, and missing arguments.

=== no words: standard-input mode with the banner
< 1+2
@banner
> > 3
2> {End of file reached}

# --- output flags, seen through command-line mode -------------------------

=== defaults: result marker, assignments print nothing
$ c 1+2 x=5
> > 3

=== ps drops the result marker
$ ps c 1+2
> 3

=== ps twice restores the marker
$ ps --print-symbol c 1+2
> > 3

=== pxp repeats the expression
$ pxp c 1+2
> 1+2 = > 3

=== pn alone changes nothing
$ --print-newline c 1+2
> > 3

=== pxp with pn puts the result on its own line
$ --print-xp pn c 1+2
>\ 1+2 =\x20
> > 3

=== pxp with ps off, expression repeated with its blanks
$ pxp ps c ' 1 + 2 '
>  1 + 2  = 3

=== pxp twice is off again, pn then has no effect
$ pxp pn --print-xp c 1+2
> > 3

=== pu prints the unit string for assignments
$ pu pxp c x=5 1+2
> x=5 = > ()
> 1+2 = > 3

=== pu twice hides units again
$ --print-unit pu c x=5 1
> > 1

# The unit string is compared as text: whatever result equals it is hidden.
=== us sets the unit string; the last one wins
$ us none us zero pu c x=1
> > zero

=== us 0 hides results whose text is 0
$ us 0 c 0 1-1 x=1 2
> > 2

=== us Error. hides failures but not their reports
$ --unit-string Error. c '1 +' 2
> > 2
2> 1 +
2>    ^
2> {Parsing failed on pos 3}

=== us takes a word that looks like an option
$ --unit-string --help pu c x=1
> > --help

=== us takes a mode word without ending the parse
$ pu us c c x=1
> > c

# --- welcome banner ---------------------------------------------------------

=== dw suppresses the banner
$ dw
< 1+2
> > 3
2> {End of file reached}

=== dw twice shows the banner again
$ --display-welcome dw s
< 1+2
@banner
> > 3
2> {End of file reached}

# --- failure-report flags -----------------------------------------------------

=== defaults in command-line mode: echo, caret line, message
$ c '1 )' x
> > Error.
> > Error.
2> 1 )
2>   ^
2> {Parsing failed on pos 2: `)'}
2> x
2> ^
2> {Parsing failed on pos 0: `x'}
2> {Unbound variable: `x'}

=== pe silences every report
$ pe c '1 )' x
> > Error.
> > Error.

=== pe twice restores the reports
$ --print_errors pe c '1 )'
> > Error.
2> 1 )
2>   ^
2> {Parsing failed on pos 2: `)'}

=== se drops the caret line and the echo, keeps the messages
$ se c '1 )' x
> > Error.
> > Error.
2> {Parsing failed on pos 2: `)'}
2> {Parsing failed on pos 0: `x'}
2> {Unbound variable: `x'}

=== se twice restores caret line and echo
$ --show-error se c '1 )'
> > Error.
2> 1 )
2>   ^
2> {Parsing failed on pos 2: `)'}

# --- mode words -----------------------------------------------------------------

=== r selects replace mode, no banner
$ r
< a [[1+1]] b
> a 2 b
2> {End of file reached}

=== the last mode word wins: replace
$ s dw +replace
< 1+1 [[2]]
> 1+1 2
2> {End of file reached}

=== the last mode word wins: standard input
$ +replace +stdin r dw s
< 1+1
> > 2
2> {End of file reached}

=== c alone evaluates nothing and reads no input
$ c
< 1+1

=== after c every word is an expression, even --help and options
$ +command-line --help pxp 1+1
> > Error.
> > Error.
> > 2
2> --help
2> ^^^^^^
2> {Parsing failed on pos 0-5: `--help'}
2> {Unbound variable: `help'}
2> pxp
2> ^^^
2> {Parsing failed on pos 0-2: `pxp'}
2> {Unbound variable: `pxp'}

=== an empty word after c is an empty statement
$ pu c '' 1
> > ()
> > 1

# --- --eval-now -------------------------------------------------------------------

# The words after en are expressions (c is an unbound name here); the echo
# flag is still off while they run, so no report repeats the expression;
# then the default mode, standard input, starts with its banner.
=== en evaluates the rest, then standard-input mode starts
$ en 1+1 c
< 2*3
> > 2
> > Error.
@banner
> > 6
2> ^
2> {Parsing failed on pos 0: `c'}
2> {Unbound variable: `c'}
2> {End of file reached}

=== en takes option words as expressions, so dw does not hide the banner
$ --eval-now dw 1
< 2
> > Error.
> > 1
@banner
> > 2
2> ^^
2> {Parsing failed on pos 0-1: `dw'}
2> {Unbound variable: `dw'}
2> {End of file reached}

=== en alone evaluates nothing, then standard-input mode
$ en
< 5
@banner
> > 5
2> {End of file reached}

=== en definitions are bound in standard-input mode
$ en x=2 y=3
< x*y
@banner
> > 6
2> {End of file reached}

=== en prints with the flags given before it
$ dw pu ps en x=1 2
< 3
> ()
> 2
> 3
2> {End of file reached}

=== the mode chosen before en runs after it
$ r en x=2 x+1
< [[x]] and [[x*5]]
> > 3
> 2 and 10
2> {End of file reached}

# The echo flag flips when replace mode starts, not when its word is met:
# en still runs with it off, and repeated mode words do not flip it again.
=== en reports without echo, replace mode with it
$ r s r en '1 )'
< [[1 )]]
> > Error.
> Error.
2>   ^
2> {Parsing failed on pos 2: `)'}
2> 1 )
2>   ^
2> {Parsing failed on pos 2: `)'}
2> {End of file reached}

# --- --delimiters -------------------------------------------------------------------

=== del takes two words even when they look like options
$ del --help c r
< x --help1+1c y
> x 2 y
2> {End of file reached}

=== ef takes a file name that looks like an option
$ dw --eval-file --help
@file --help
| print 5
> 5
2> {Evaluating file `--help'}
2> {End of file reached}

# --- missing words and unrecognised words -----------------------------------------

=== del with one word is malformed and names del
$ r del x
@malformed del

=== --delimiters as the last word is malformed
$ --delimiters
@malformed --delimiters

=== ef as the last word is malformed
$ pxp ef
@malformed ef

=== --unit-string as the last word is malformed
$ --unit-string
@malformed --unit-string

# Words are compared whole and with their case.
=== an upper-case mode word is not a mode word
$ C 1
@malformed C

=== a prefix of an option is not the option
$ --print
@malformed --print

=== an option with a trailing blank is not the option
$ 'pxp '
@malformed 'pxp '

=== a dashed short form is not an option
$ -c 1
@malformed -c
