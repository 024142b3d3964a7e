# Definitions files (ef): announced, evaluated line by line without printing
# results, at the moment the option is met.

=== definitions are evaluated silently and stay bound
$ ef defs c 'x + y'
@file defs
| x = 2
| y = x * 3
| x + y
| 
| ' a comment
> > 8
2> {Evaluating file `defs'}

=== results stay hidden whatever the output flags
$ pu pxp ps ef defs c 1
@file defs
| a = 1
| 2
| @clear
> 1 = 1
2> {Evaluating file `defs'}

# The echo flag is off while options are parsed, so reports do not repeat
# the statement even when command-line mode follows.
=== reports, print output and command output are still written
$ ef defs c 0
@file defs
| 1 )
| z + 1
| print 42
| w = 5
| @vars
| @help
| @nope
> 42
> Bound variables:
>                    w = 5
> Total: 1 variable
> Commands: vars, clear, exit.
> > 0
2> {Evaluating file `defs'}
2>   ^
2> {Parsing failed on pos 2: `)'}
2> ^
2> {Parsing failed on pos 0: `z'}
2> {Unbound variable: `z'}
2> Unrecognized command!

=== notices and print output come in the order they are produced
$ ef defs c 1
@merge
@file defs
| print 1
| q
| print 2
> {Evaluating file `defs'}
> 1
> ^
> {Parsing failed on pos 0: `q'}
> {Unbound variable: `q'}
> 2
> > 1

=== files are evaluated in order and see earlier bindings
$ ef one --eval-file two c b
@file one
| a = 10
@file two
| b = a + 1
> > 11
2> {Evaluating file `one'}
2> {Evaluating file `two'}

=== a last line without a line feed is evaluated
$ ef defs c v
@file defs
| u = 1
|- v = u + 1
> > 2
2> {Evaluating file `defs'}

# The carriage return stays in the line: an assignment before it fails at
# the lexer and binds nothing, a command acts before it is reached, and a
# comment takes it in.
=== CR LF lines keep their carriage return
$ ef defs c a
@file defs
|\ a = 1\r
|\ ' note\r
|\ @vars\r
> Bound variables:
> Total: 0 variable
> > Error.
2> {Evaluating file `defs'}
2> a
2> ^
2> {Parsing failed on pos 0: `a'}
2> {Unbound variable: `a'}

# A NUL byte is an ordinary byte of the line: the lexer rejects it, and the
# line is not cut short before it nor the file ended at it.
=== NUL bytes do not end the line or the file
$ pe ef defs c y z
@file defs
|\ y = 1\x00 junk
|\ \x00
| z = 7
> > Error.
> > 7
2> {Evaluating file `defs'}

=== @exit in a file ends the run with status 0 after pending output
$ ef defs c 3
< 4
@file defs
| print 1
| @vars
| @exit
| print 2
> 1
> Bound variables:
> Total: 0 variable
> Bye-bye!
2> {Evaluating file `defs'}

=== pe and se given before the option apply to the file
$ pe ef a se ef b dw
@file a
| 1 )
@file b
| 2 )
2> {Evaluating file `a'}
2> {Evaluating file `b'}
2> {End of file reached}

=== settings given after the option do not apply to the file
$ ef a pe se dw
< 2 )
@file a
| 1 )
> > Error.
2> {Evaluating file `a'}
2>   ^
2> {Parsing failed on pos 2: `)'}
2> {End of file reached}

=== se before the option: messages without caret line
$ se ef a dw
@file a
| 1 )
2> {Evaluating file `a'}
2> {Parsing failed on pos 2: `)'}
2> {End of file reached}

=== file definitions are bound in replace mode
$ r ef defs
@file defs
| rate = 3
< total: [[rate * 4]]
> total: 12
2> {Evaluating file `defs'}
2> {End of file reached}
