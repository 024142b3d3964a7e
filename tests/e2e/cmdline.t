# Command-line mode: each word after c is one statement, evaluated and
# printed in order; failure reports repeat the statement.

=== results in order, with variables carried between words
$ c 1+2 '2 * 3' 7/2 1073741824 x=3 'x = x + 1' x*2 1/0
> > 3
> > 6
> > 3.5
> > 1073741824.
> > 8
> > inf

# Reports come before the result line of the same statement.
=== failure reports repeat the statement, before its result line
$ +command-line '1 + pi pi' 'pi = 3' 1
@merge
> 1 + pi pi
>        ^^
> {Parsing failed on pos 7-8: `pi'}
> > Error.
> pi = 3
>    ^
> {Parsing failed on pos 3: `='}
> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
> > 1

=== the echo is the whole statement, line feeds included
$\ c '1 +\n)'
> > Error.
2> 1 +
2> )
2>     ^
2> {Parsing failed on pos 4: `)'}

=== lexical failures print no report
$\ c '1 $' '2\r' 'T'
> > Error.
> > Error.
> > Error.

=== print and commands write their own output before the result
$ c x=1 '1 + print 2' @vars @h @nope
> 2
> > 3
> Bound variables:
>                    x = 1
> Total: 1 variable
> Commands: vars, clear, exit.
2> Unrecognized command!

=== commands print the unit string with pu
$ pu c @clear
> > ()

=== @exit mid-list ends the run at once with status 0
$ c 1 @exit 2
< 3
> > 1
> Bye-bye!

=== @quit mid-list, after a pending report
$ c x @quit x
@merge
> x
> ^
> {Parsing failed on pos 0: `x'}
> {Unbound variable: `x'}
> > Error.
> Bye-bye!

=== @exit among en expressions: no banner, no input read
$ en 1 @exit 2
< 3
> > 1
> Bye-bye!

=== @exit in standard-input mode ends the loop without the end notice
$ dw
< 1
< @exit
< 2
> > 1
> Bye-bye!

=== standard-input mode does not repeat the failing statement
$ dw
< 1 )
> > Error.
2>   ^
2> {Parsing failed on pos 2: `)'}
2> {End of file reached}

=== a last input line without a line feed is still evaluated
$ dw
<- 6*7
> > 42
2> {End of file reached}
