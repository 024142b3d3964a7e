# The help page: 39 lines on standard output, status 0. Line 17 ends in a
# blank, line 23 is four blanks and the page ends with an empty line.

=== --help alone prints the page and reads no input
$ --help
< 1+1
> Vorpex - Quorlith
>
> usage: zorm [options] [mode]
>
>   modes:
>     +command-line (c) sequentially evaluate command-line arguments
>     +stdin        (s) evaluate expressions from standard input
>     +replace      (r) search and replace expressions inside a line (on stdin)
>
>   options:  (modes c and s)
>     --print-xp     (pxp) reprint the unevaluated expression
>     --print-newline (pn) goto newline before printing the result
>     --print-unit    (pu) print units, ie. stand-alone assignments
>     --print-symbol  (ps) print a symbol before the result
>
>   options (mode s)
>\     --display-welcome (dw)\x20
>       Display the welcome message at beginning of session
>
>   options (modes s and r)
>     --eval-now (en) xp1...xpN
>       Evaluate a list of command-line expressions before processing stdin.
>\    \x20
>   options (mode r)
>     --delimiters (del) <left del> <right del>
>       Set the delimiters for mathematical expressions.
>
>   options  (all modes)
>     --eval-file    (ef) <str>
>       Silently parse a file. Useful to define a bunch of variables.
>     --unit-string  (us) <str>
>       Set the string representing a unit (pure side-effect evaluation)
>     --print-errors (pe)
>       The parser prints debug error messages on stderr
>     --show-error   (se)
>       The parser prints a line with ^^^ where the error is
>     --help
>       Print this help page.
>

# Options before --help have acted (the file is evaluated and its print
# output comes first); nothing after --help is looked at, not even a word
# that would be malformed.
=== --help after other words: earlier ones act, later ones are ignored
$ ps ef defs --help bogus ''
@file defs
| print 7
| y = 1
< 1+1
> 7
> Vorpex - Quorlith
>
> usage: zorm [options] [mode]
>
>   modes:
>     +command-line (c) sequentially evaluate command-line arguments
>     +stdin        (s) evaluate expressions from standard input
>     +replace      (r) search and replace expressions inside a line (on stdin)
>
>   options:  (modes c and s)
>     --print-xp     (pxp) reprint the unevaluated expression
>     --print-newline (pn) goto newline before printing the result
>     --print-unit    (pu) print units, ie. stand-alone assignments
>     --print-symbol  (ps) print a symbol before the result
>
>   options (mode s)
>\     --display-welcome (dw)\x20
>       Display the welcome message at beginning of session
>
>   options (modes s and r)
>     --eval-now (en) xp1...xpN
>       Evaluate a list of command-line expressions before processing stdin.
>\    \x20
>   options (mode r)
>     --delimiters (del) <left del> <right del>
>       Set the delimiters for mathematical expressions.
>
>   options  (all modes)
>     --eval-file    (ef) <str>
>       Silently parse a file. Useful to define a bunch of variables.
>     --unit-string  (us) <str>
>       Set the string representing a unit (pure side-effect evaluation)
>     --print-errors (pe)
>       The parser prints debug error messages on stderr
>     --show-error   (se)
>       The parser prints a line with ^^^ where the error is
>     --help
>       Print this help page.
>
2> {Evaluating file `defs'}

=== --help after a mode word still ends the run with the page
$ +replace dw --help
< [[1+1]]
> Vorpex - Quorlith
>
> usage: zorm [options] [mode]
>
>   modes:
>     +command-line (c) sequentially evaluate command-line arguments
>     +stdin        (s) evaluate expressions from standard input
>     +replace      (r) search and replace expressions inside a line (on stdin)
>
>   options:  (modes c and s)
>     --print-xp     (pxp) reprint the unevaluated expression
>     --print-newline (pn) goto newline before printing the result
>     --print-unit    (pu) print units, ie. stand-alone assignments
>     --print-symbol  (ps) print a symbol before the result
>
>   options (mode s)
>\     --display-welcome (dw)\x20
>       Display the welcome message at beginning of session
>
>   options (modes s and r)
>     --eval-now (en) xp1...xpN
>       Evaluate a list of command-line expressions before processing stdin.
>\    \x20
>   options (mode r)
>     --delimiters (del) <left del> <right del>
>       Set the delimiters for mathematical expressions.
>
>   options  (all modes)
>     --eval-file    (ef) <str>
>       Silently parse a file. Useful to define a bunch of variables.
>     --unit-string  (us) <str>
>       Set the string representing a unit (pure side-effect evaluation)
>     --print-errors (pe)
>       The parser prints debug error messages on stderr
>     --show-error   (se)
>       The parser prints a line with ^^^ where the error is
>     --help
>       Print this help page.
>
