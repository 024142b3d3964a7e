# Variables: assignments, declaration lists, let, increments and decrements,
# unbound names, and the order in which the table lists its bindings.

=== an assignment yields nothing and binds for later lines
@banner
< x = 3
< x + 1
> > 4
< x = x + 1
< x
> > 4
< x := 10
< x <- x * 2
< x
> > 20
< x = 1 + 2 ? 3 : 4
< x
> > 3
< xY = 1
< xy
2> ^^
2> {Parsing failed on pos 0-1: `xy'}
2> {Unbound variable: `xy'}
> > Error.
2> {End of file reached}

=== declarations before a semicolon or in give the value of what follows
@banner
< x = 3; x * 2
> > 6
< x
> > 3
< let x = 2, y = 3; x * y
> > 6
< x * y
> > 6
< let z = 4 in z + x
> > 6
< a = 1, b = a + 1
< b
> > 2
< c = 1 and d = 2
< c + d
> > 3
< 1 + x = 1; x + 1
> > 3
< 2 * (x = 5; x) + x
> > 15
2> {End of file reached}

=== a declaration at an operand position ends the statement at END
@banner
< 2 + x = 1
< x
> > 1
< sqrt x = 4
< x
> > 4
< (x = 7
< x
> > 7
< x = y = 3
< x
> > 7
< y
> > 3
< x = w = 2; 9
< x
> > 9
< w
> > 2
2> {End of file reached}

=== an assignment completes only before END, a comma or a semicolon
@banner
< (p = 3)
2>       ^
2> {Parsing failed on pos 6: `)'}
> > Error.
< p
2> ^
2> {Parsing failed on pos 0: `p'}
2> {Unbound variable: `p'}
> > Error.
< (p = 3; p)
> > 3
< q = 2 1
2>       ^
2> {Parsing failed on pos 6: `1'}
> > Error.
< q
2> ^
2> {Parsing failed on pos 0: `q'}
2> {Unbound variable: `q'}
> > Error.
< x = 1; print x; x
> 1
2>               ^
2> {Parsing failed on pos 14: `;'}
> > Error.
< let x
2>      ^
2> {Parsing failed on pos 5}
> > Error.
< let (x = 1)
2>     ^
2> {Parsing failed on pos 4: `('}
> > Error.
2> {End of file reached}

=== increments and decrements
@banner
< x = 1
< x++
< x
> > 2
< ++x
< x
> > 3
< x --
< x
> > 2
< --x
< x
> > 1
< x++; x
> > 2
< --x; x
> > 1
< -x++; x
> > -2
< x++ 3
2>     ^
2> {Parsing failed on pos 4: `3'}
> > Error.
< x
> > 3
2> {End of file reached}

=== unbound names are reported with the span that read them
@banner
< z
2> ^
2> {Parsing failed on pos 0: `z'}
2> {Unbound variable: `z'}
> > Error.
< 1 + z
2>     ^
2> {Parsing failed on pos 4: `z'}
2> {Unbound variable: `z'}
> > Error.
< z++
2> ^^^
2> {Parsing failed on pos 0-2: `z++'}
2> {Unbound variable: `z'}
> > Error.
< ++z
2> ^^^
2> {Parsing failed on pos 0-2: `++z'}
2> {Unbound variable: `z'}
> > Error.
< z --
2> ^^^^
2> {Parsing failed on pos 0-3: `z --'}
2> {Unbound variable: `z'}
> > Error.
< abcdefghijklmnopqrst
2> ^^^^^^^^^^^^^^^^^^^^
2> {Parsing failed on pos 0-19: `abcdefghijklmno...'}
2> {Unbound variable: `abcdefghijklmno...'}
> > Error.
< abcdefghijklmno
2> ^^^^^^^^^^^^^^^
2> {Parsing failed on pos 0-14: `abcdefghijklmno'}
2> {Unbound variable: `abcdefghijklmno'}
> > Error.
< x = 5
< x = u + 1
2>     ^
2> {Parsing failed on pos 4: `u'}
2> {Unbound variable: `u'}
> > Error.
< x
> > 5
2> {End of file reached}

=== names of functions and constants cannot be bound
@banner
< pi = 3
2>    ^
2> {Parsing failed on pos 3: `='}
2> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
< log = 2
2>     ^
2> {Parsing failed on pos 4: `='}
2> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
< e = 1
2>   ^
2> {Parsing failed on pos 2: `='}
2> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
< true = 1
2>      ^
2> {Parsing failed on pos 5: `='}
2> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
< pi := 3
2>    ^^
2> {Parsing failed on pos 3-4: `:='}
> > Error.
< pi++
2>   ^^
2> {Parsing failed on pos 2-3: `++'}
> > Error.
2> {End of file reached}

# unsure: "++" after a function name could still begin an increment of a
# name that follows, so the first token that cannot continue the statement
# is the end of the text, not the "++".
=== a function name before ++ fails at the end of the text
@banner
< sin++
2>      ^
2> {Parsing failed on pos 5}
> > Error.
2> {End of file reached}

=== the listing follows the hash buckets, newest first within one
@banner
< a = 1, b = 2, x = 3, y = 4, z = 5
< @vars
> Bound variables:
>                    x = 3
>                    y = 4
>                    z = 5
>                    a = 1
>                    b = 2
> Total: 5 variables
2> {End of file reached}

=== rebinding a name moves it to the head of its bucket
@banner
< a = 1
< k = 2
< @vars
> Bound variables:
>                    k = 2
>                    a = 1
> Total: 2 variables
< a = 3
< @vars
> Bound variables:
>                    a = 3
>                    k = 2
> Total: 2 variables
2> {End of file reached}

=== the table grows at the 21st name and stays grown after @clear
@banner
< a=1, b=2, c=3, d=4, f=5, g=6, h=7, i=8, j=9, k=10, l=11, m=12, n=13, o=14, p=15, q=16, s=17, t=18, ab=19, lc=20
< @vars
> Bound variables:
>                    n = 13
>                    d = 4
>                   lc = 20
>                   ab = 19
>                    o = 14
>                    p = 15
>                    f = 5
>                    q = 16
>                    g = 6
>                    h = 7
>                    s = 17
>                    i = 8
>                    t = 18
>                    j = 9
>                    k = 10
>                    a = 1
>                    l = 11
>                    b = 2
>                    m = 12
>                    c = 3
> Total: 20 variables
< u = 21
< @vars
> Bound variables:
>                    i = 8
>                    j = 9
>                    k = 10
>                    l = 11
>                    m = 12
>                    n = 13
>                    o = 14
>                    p = 15
>                    q = 16
>                   lc = 20
>                   ab = 19
>                    s = 17
>                    t = 18
>                    u = 21
>                    a = 1
>                    b = 2
>                    c = 3
>                    d = 4
>                    f = 5
>                    g = 6
>                    h = 7
> Total: 21 variables
< @clear
< x = 1
< a = 2
< @vars
> Bound variables:
>                    a = 2
>                    x = 1
> Total: 2 variables
2> {End of file reached}
