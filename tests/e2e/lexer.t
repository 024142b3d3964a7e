# How statement text splits into tokens, seen through the results of whole
# statements typed on standard input.

=== numbers: optional point, no sign, no exponent
@banner
< 5.
> > 5
< .5
> > 0.5
< 007
> > 7
< 2-1
> > 1
< 1.2.3
2>    ^^
2> {Parsing failed on pos 3-4: `.3'}
> > Error.
< 1e5
2>  ^^
2> {Parsing failed on pos 1-2: `e5'}
> > Error.
< 1e-5
2>  ^^^
2> {Parsing failed on pos 1-3: `e-5'}
> > Error.
< 0x10
2>  ^^^
2> {Parsing failed on pos 1-3: `x10'}
> > Error.
< 1_5
2>  ^^
2> {Parsing failed on pos 1-2: `_5'}
> > Error.
2> {End of file reached}

=== a 400-digit number is infinite
@banner
< 1000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000
> > inf
< 123456789012345678901234567890
> > 1.23456789012e+29
2> {End of file reached}

=== names continue over hyphen, apostrophe and tilde
@banner
< x = 5
< x - 1
> > 4
< x-1 = 10
< x-1
> > 10
< x-1 - x
> > 5
< f' = 2
< x~y = 3
< f' * x~y
> > 6
< x-- = 7
< x--
> > 7
< x
> > 5
2> {End of file reached}

=== a word is a keyword only as a whole run
@banner
< sinx = 1
< pi2 = 2
< e5 = 3
< then1 = 4
< print_x = 5
< randomx = 6
< true2 = 7
< pI = 8
< sinx + pi2 + e5 + then1 + print_x + randomx + true2 + pI
> > 36
< sin(0)
> > 0
< pi.5
2>   ^^
2> {Parsing failed on pos 2-3: `.5'}
> > Error.
2> {End of file reached}

=== upper-case lexemes are complete by themselves
@banner
< Pi + PI
> > 6.28318530718
< PIE 0
> > 3.14159265359
< E2
> > 100
< 1E5
> > 100000
< EE 1
> > 10000000000.
< TRUE + TRUE - FALSE
> > 2
< Pix
2>   ^
2> {Parsing failed on pos 2: `x'}
> > Error.
< TRUEx
2>     ^
2> {Parsing failed on pos 4: `x'}
> > Error.
< 3e
2>   ^
2> {Parsing failed on pos 2}
> > Error.
2> {End of file reached}

=== bytes that start no token fail without a report
@banner
< $
> > Error.
< 1 + `
> > Error.
< "1"
> > Error.
< ~x
> > Error.
< T
> > Error.
< TRU
> > Error.
< FALS
> > Error.
< P
> > Error.
< Xy
> > Error.
< 1 & 1
> > Error.
< 1 &&& 1
> > Error.
< .
> > Error.
< 1 + .
> > Error.
< .a
> > Error.
2> {End of file reached}

=== comments run to the end of the text
@banner
< ' anything $ goes
< '
< // note
< /* never closed
< (* nor this *)
< (*)
< (**)
< 6 / 2
> > 3
< /
2> ^
2> {Parsing failed on pos 0: `/'}
> > Error.
< 1 // note
2>   ^^^^^^^
2> {Parsing failed on pos 2-8: `// note'}
> > Error.
2> {End of file reached}

=== empty brackets are the unit token
@banner
< ()
< () 1 2 $
< 1 + ()
< ( )
2>   ^
2> {Parsing failed on pos 2: `)'}
> > Error.
2> {End of file reached}

=== operators take the longest lexeme
@banner
< 2 ** 3
> > 8
< 2***3
2>    ^
2> {Parsing failed on pos 3: `*'}
> > Error.
< 1 ^^ 1
> > 0
< 1 ^^^ 2
2>     ^
2> {Parsing failed on pos 4: `^'}
> > Error.
< 1 === 1
2>     ^
2> {Parsing failed on pos 4: `='}
2> {Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}
> > Error.
< 1 <=> 2
2>     ^
2> {Parsing failed on pos 4: `>'}
> > Error.
< 0 |||-1|
> > 1
< x <-- 1
< x
> > -1
< y = 2
< x+++y
2>    ^
2> {Parsing failed on pos 3: `+'}
> > Error.
< x
> > 0
2> {End of file reached}

=== alternative spellings
@banner
< 7 mod 3 + 7 modulo 3 + 7 % 3
> > 3
< 1 != 2
> > 1
< 1 <> 1
> > 0
< 1 |= 2
> > 1
< not 0
> > 1
< 1 xor 1
> > 0
< nint 2.6
> > 3
< r 4
> > 2
< th 0 + ch 0 + sh 0
> > 1
< [2] * {3}
> > 6
< a := 2, b <- 3 and c = 4; a + b + c
> > 9
< let d = 5 in d
> > 5
< or = 1
< fact = 2
< or + fact
> > 3
< 1 and 0
2>   ^^^
2> {Parsing failed on pos 2-4: `and'}
> > Error.
2> {End of file reached}

=== blanks and tabs separate tokens
@banner
<\ \t1\t+  2\x20\x20
> > 3
<\ \t1 )
2>    ^
2> {Parsing failed on pos 3: `)'}
> > Error.
2> {End of file reached}
