# Commands: "@" followed by one word, which acts as soon as it is read.

=== listing an empty table
@banner
< @vars
> Bound variables:
> Total: 0 variable
< @table
> Bound variables:
> Total: 0 variable
2> {End of file reached}

=== listing format: names right-aligned in 20 columns, values as results print
@banner
< n = 1
< @vars
> Bound variables:
>                    n = 1
> Total: 1 variable
< n = 2
< @vars
> Bound variables:
>                    n = 2
> Total: 1 variable
< big = 2^31, third = 1/3, neg = -1/0, abcdefghijklmnopqrst = 0.5, abcdefghijklmnopqrstu = -0
< @vars
> Bound variables:
>                    n = 2
> abcdefghijklmnopqrst = 0.5
>                  neg = -inf
>                third = 0.333333333333
>                  big = 2147483648.
> abcdefghijklmnopqrstu = 0
> Total: 6 variables
2> {End of file reached}

# unsure: the listing prints values with the plain number text, so a NaN shows
# as the C library writes it; 0/0 on this hardware gives a NaN with its sign
# bit set, hence -nan.
=== a NaN binding is listed with the C library's text
@banner
< v = 0/0
< @vars
> Bound variables:
>                    v = -nan
> Total: 1 variable
< v
> > NaN
2> {End of file reached}

=== @help and @h
@banner
< @help
> Commands: vars, clear, exit.
< @h
> Commands: vars, clear, exit.
2> {End of file reached}

=== @clear and @erase empty the table
@banner
< x = 1, y = 2
< @clear
< @vars
> Bound variables:
> Total: 0 variable
< x
2> ^
2> {Parsing failed on pos 0: `x'}
2> {Unbound variable: `x'}
> > Error.
< x = 1
< @erase
< @table
> Bound variables:
> Total: 0 variable
2> {End of file reached}

=== unknown words are reported and yield nothing
@banner
< @list
2> Unrecognized command!
< @varS
2> Unrecognized command!
< @x
2> Unrecognized command!
< @VARS
> > Error.
< @Vars
> > Error.
2> {End of file reached}

=== what follows the command word is never read
@banner
< x = 1
< @vars 1 2 3
> Bound variables:
>                    x = 1
> Total: 1 variable
< @help $ "
> Commands: vars, clear, exit.
< @h x = 2
> Commands: vars, clear, exit.
< x
> > 1
< @ vars
> Bound variables:
>                    x = 1
> Total: 1 variable
2> {End of file reached}

=== "@" must start the statement and be followed by a word
@banner
< @
2>  ^
2> {Parsing failed on pos 1}
> > Error.
< @pi
2>  ^^
2> {Parsing failed on pos 1-2: `pi'}
> > Error.
< @e
2>  ^
2> {Parsing failed on pos 1: `e'}
> > Error.
< @1
2>  ^
2> {Parsing failed on pos 1: `1'}
> > Error.
< 1 @vars
2>   ^
2> {Parsing failed on pos 2: `@'}
> > Error.
< x = 1, @vars
2>        ^
2> {Parsing failed on pos 7: `@'}
> > Error.
2> {End of file reached}

=== @exit ends the run at once, before the rest of the input
@banner
< 1
< @exit
< 2
< @vars
> > 1
> Bye-bye!

=== @quit ignores the words after it
@banner
< @quit 1 2 3
< 4
> Bye-bye!

=== output written before @exit comes out in order
@merge
@banner
< x = 1
< @vars
> Bound variables:
>                    x = 1
> Total: 1 variable
< y
> ^
> {Parsing failed on pos 0: `y'}
> {Unbound variable: `y'}
> > Error.
< @exit
> Bye-bye!
< 3
