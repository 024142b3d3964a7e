# Comparisons, logical operators and the two conditional forms. Truth values
# are numbers: anything but 0 and -0 is true, NaN included.

=== comparisons yield 0 or 1 under IEEE rules
@banner
< 0 != 0
> > 0
< 1 == 1.0
> > 1
< 2 >= 2
> > 1
< 2 <= 1
> > 0
< 2 > 1
> > 1
< 2 < 1
> > 0
< -0 == 0
> > 1
< (0/0) == (0/0)
> > 0
< (0/0) != (0/0)
> > 1
< (0/0) < 1
> > 0
< (0/0) >= (0/0)
> > 0
2> {End of file reached}

=== comparisons group to the left, order tests tighter than equality
@banner
< 1 < 2 < 3
> > 1
< 3 > 2 > 1
> > 0
< 1 == 1 == 1
> > 1
< 2 == 1 == 0
> > 1
< 2 == 2 < 3
> > 0
< 1 + 1 == 2
> > 1
2> {End of file reached}

=== and, or and not
@banner
< 2 && 3
> > 1
< 0 || 5
> > 1
< 0 || 0
> > 0
< (0/0) && 1
> > 1
< 1 && 0 || 1
> > 1
< 1 || 0 && 0
> > 1
< !0
> > 1
< !5
> > 0
< !(0/0)
> > 0
< !-0
> > 1
< not 0
> > 1
2> {End of file reached}

=== not reaches over arithmetic but stops at comparisons
@banner
< !1 + 1
> > 0
< !0 < 2
> > 1
< !2 == 1
> > 0
< 0 == !0 + 1
> > 1
< 3!
2>  ^
2> {Parsing failed on pos 1: `!'}
> > Error.
2> {End of file reached}

=== exclusive or shares the level of or
@banner
< 2 ^^ 3
> > 0
< 0 ^^ -1
> > 1
< (0/0) ^^ 0
> > 1
< 0 xor 0
> > 0
< 1 || 1 xor 1
> > 0
< 1 xor 1 || 1
> > 1
2> {End of file reached}

=== the ternary conditional
@banner
< 1 ? 2 : 3
> > 2
< 0 ? 2 : 3 + 4
> > 7
< (0/0) ? 1 : 2
> > 1
< -0 ? 1 : 2
> > 2
< 1 + 0 ? 5 : 6
> > 5
< 1 < 2 ? 10 : 20
> > 10
< 1 ? 0 ? 5 : 6 : 7
> > 6
< (1 ? 2 : 0) ? 3 : 4
> > 3
< 1 ? 2 : 0 ? 3 : 4
2>           ^
2> {Parsing failed on pos 10: `?'}
> > Error.
< 1 ? 2
2>      ^
2> {Parsing failed on pos 5}
> > Error.
2> {End of file reached}

=== if, then, else
@banner
< if 1 then 2 else 3
> > 2
< if 0 then 2 else 3 + 4
> > 7
< 1 + if 1 then 2 else 3
> > 3
< if 0 then 1 else if 0 then 2 else 3
> > 3
< if 1 ? 0 : 1 then 5 else 6
> > 6
< if 1 then 0 ? 5 : 6 else 7
> > 6
< if 1 then 2 else 3 ? 4 : 5
2>                    ^
2> {Parsing failed on pos 19: `?'}
> > Error.
< if 1 then 2
2>            ^
2> {Parsing failed on pos 11}
> > Error.
2> {End of file reached}

=== every operand is evaluated, in text order
@banner
< 0 && print 5
> 5
> > 0
< 1 || print 6
> 6
> > 1
< 1 ? print 1 : print 2
> 1
> 2
> > 1
< if print 0 then print 1 else print 2
> 0
> 1
> 2
> > 2
< print 1 < print 2
> 1
> 2
> > 1
< 0 ? (a = 1; a) : (b = 2; b)
> > 2
< a + b
> > 3
< 1 ? 2 : u
2>         ^
2> {Parsing failed on pos 8: `u'}
2> {Unbound variable: `u'}
> > Error.
< 0 && u
2>      ^
2> {Parsing failed on pos 5: `u'}
2> {Unbound variable: `u'}
> > Error.
2> {End of file reached}

=== not reaches over arithmetic; comparisons bind looser than arithmetic
@banner
< !0 == 0
> > 0
< 1 == !0 + 1
> > 0
< 1 == 2 < 3
> > 1
2> {End of file reached}
