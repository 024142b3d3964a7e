# Syntax-error reports on standard error: a caret line under the offending
# token, then its offsets and up to 15 bytes of its text.

=== one-byte tokens get one caret and a single position
@banner
< 1 )
2>   ^
2> {Parsing failed on pos 2: `)'}
> > Error.
< 1 2
2>   ^
2> {Parsing failed on pos 2: `2'}
> > Error.
< (1 + )
2>      ^
2> {Parsing failed on pos 5: `)'}
> > Error.
< (1]
2>   ^
2> {Parsing failed on pos 2: `]'}
> > Error.
< {1)
2>   ^
2> {Parsing failed on pos 2: `)'}
> > Error.
2> {End of file reached}

=== an error at the end of the text points one column past it
@banner
< 1 +
2>    ^
2> {Parsing failed on pos 3}
> > Error.
< (1
2>   ^
2> {Parsing failed on pos 2}
> > Error.
< sqrt
2>     ^
2> {Parsing failed on pos 4}
> > Error.
< let
2>    ^
2> {Parsing failed on pos 3}
> > Error.
< 1 + +
2>      ^
2> {Parsing failed on pos 5}
> > Error.
<\ 1 +\x20\x20
2>      ^
2> {Parsing failed on pos 5}
> > Error.
2> {End of file reached}

=== longer tokens get a caret per byte and a range of positions
@banner
< 1 + pi pi
2>        ^^
2> {Parsing failed on pos 7-8: `pi'}
> > Error.
< 1 :=
2>   ^^
2> {Parsing failed on pos 2-3: `:='}
> > Error.
< x <- <- 2
2>      ^^
2> {Parsing failed on pos 5-6: `<-'}
> > Error.
< 1 12345678901234567890
2>   ^^^^^^^^^^^^^^^^^^^^
2> {Parsing failed on pos 2-21: `123456789012345...'}
> > Error.
< 1 /* a comment that runs on */
2>   ^^^^^^^^^^^^^^^^^^^^^^^^^^^^
2> {Parsing failed on pos 2-29: `/* a comment th...'}
> > Error.
2> {End of file reached}

=== the failing text is cut after 15 bytes
@banner
< 1 + 2 aaaaaaaaaaaaaaa
2>       ^^^^^^^^^^^^^^^
2> {Parsing failed on pos 6-20: `aaaaaaaaaaaaaaa'}
> > Error.
< 1 + 2 aaaaaaaaaaaaaaaa
2>       ^^^^^^^^^^^^^^^^
2> {Parsing failed on pos 6-21: `aaaaaaaaaaaaaaa...'}
> > Error.
< 1 + 2 aaaaaaaaaaaaaaaaaaaaaaaa
2>       ^^^^^^^^^^^^^^^^^^^^^^^^
2> {Parsing failed on pos 6-29: `aaaaaaaaaaaaaaa...'}
> > Error.
2> {End of file reached}

=== a lone "=" as failing text adds the reserved-name hint
@banner
< pi = 3
2>    ^
2> {Parsing failed on pos 3: `='}
2> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
< x = = 2
2>     ^
2> {Parsing failed on pos 4: `='}
2> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
< 1 = 2
2>   ^
2> {Parsing failed on pos 2: `='}
2> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
< pi <- 3
2>    ^^
2> {Parsing failed on pos 3-4: `<-'}
> > Error.
2> {End of file reached}

=== a tab before the offending token counts as one column
@banner
<\ \t1 )
2>    ^
2> {Parsing failed on pos 3: `)'}
> > Error.
<\ 1\t\t)
2>    ^
2> {Parsing failed on pos 3: `)'}
> > Error.
2> {End of file reached}

=== what completed before the error keeps its effect
@banner
< print 2 )
> 2
2>         ^
2> {Parsing failed on pos 8: `)'}
> > Error.
< print 1 + print 2 3
> 1
> 2
2>                   ^
2> {Parsing failed on pos 18: `3'}
> > Error.
< x = 1, y = 2 3
2>              ^
2> {Parsing failed on pos 13: `3'}
> > Error.
< x
> > 1
< y
2> ^
2> {Parsing failed on pos 0: `y'}
2> {Unbound variable: `y'}
> > Error.
< x++ )
2>     ^
2> {Parsing failed on pos 4: `)'}
> > Error.
< x
> > 2
2> {End of file reached}

=== a name is read only when the next token can follow it
@banner
< u 2
2>   ^
2> {Parsing failed on pos 2: `2'}
> > Error.
< u )
2> ^
2> {Parsing failed on pos 0: `u'}
2> {Unbound variable: `u'}
> > Error.
< print u 1
2>         ^
2> {Parsing failed on pos 8: `1'}
> > Error.
< print u )
2>       ^
2> {Parsing failed on pos 6: `u'}
2> {Unbound variable: `u'}
> > Error.
2> {End of file reached}

=== text after the point where the parse stops is never scanned
@banner
< 1 2 $
2>   ^
2> {Parsing failed on pos 2: `2'}
> > Error.
< 1 $ 2
> > Error.
< () $
< x = 1, y = $
> > Error.
< x
> > 1
2> {End of file reached}
