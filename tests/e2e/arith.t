# Arithmetic: precedence, grouping, how far each operand reaches, IEEE values
# and the text of numbers.

=== operators of one level group to the left
@banner
< 1-2-3
> > -4
< 8/4/2
> > 1
< 10%4%3
> > 2
< 2^3^2
> > 64
< 2 ** 3 ** 2
> > 64
< 1 E 2 E 3
> > 100000
2> {End of file reached}

=== modulo binds tighter than times, power tighter still
@banner
< 1+2*3
> > 7
< (1+2)*3
> > 9
< [1+2]*{4-1}
> > 9
< 7-3%2
> > 6
< 2*3%4
> > 6
< 2%3*4
> > 8
< 2*3^2
> > 18
< 2^3*2
> > 16
< 2 E 3 * 2
> > 4000
2> {End of file reached}

=== prefix minus, plus and E take a single unit
@banner
< -2^2
> > 4
< 2^-1
> > 0.5
< -2^-2
> > 0.25
< 2^-2^2
> > 0.0625
< - -2
> > 2
< +-2
> > -2
< 1 - -1
> > 2
< x = 2
< -x^2
> > 4
< E2
> > 100
< -2 E 2
> > -200
< 2 E -3
> > 0.002
< 2 E 3 ^ 2
> > 4000000
< 2 ^ 3 E 1
> > 1073741824.
< --2
2>   ^
2> {Parsing failed on pos 2: `2'}
> > Error.
2> {End of file reached}

=== functions reach over power only; floor, ceil, round and not over arithmetic
@banner
< sqrt 4^2
> > 4
< sqrt 4*2
> > 4
< - r 4 ^ 2
> > -4
< sqrt -4^2
> > 4
< factorial 2^2
> > 24
< factorial 3 + 1
> > 7
< abs -3 + 1
> > 4
< sin 2+1
> > 1.90929742683
< sin pi / 2
> > 6.12323399574e-17
< floor 2.5 + 1
> > 3
< ceil 2.1 * 2
> > 5
< round 2.4 + 0.2
> > 3
< ceil 0.5 == 1
> > 1
< 2 ^ floor 2.5 + 1
> > 8
< 1 + floor 2.5
> > 3
2> {End of file reached}

=== print takes a single unit and yields it
@banner
< print 2 + 3
> 2
> > 5
< 1 + print 2
> 2
> > 3
< print print 3
> 3
> 3
> > 3
< print -2^2
> -2
> > 4
< print 2^31
> 2
> > 2147483648.
< print (2^31)
> 2147483648.
> > 2147483648.
2> {End of file reached}

=== absolute-value bars open at an operand and close after one
@banner
< |-3|
> > 3
< |1 - 3| * 2
> > 4
< | |1| - 2|
> > 1
< 2 | 3
2>   ^
2> {Parsing failed on pos 2: `|'}
> > Error.
< |2|3|
2>    ^
2> {Parsing failed on pos 3: `3'}
> > Error.
< |1
2>   ^
2> {Parsing failed on pos 2}
> > Error.
2> {End of file reached}

=== two operands in a row are a syntax error
@banner
< 2 pi
2>   ^^
2> {Parsing failed on pos 2-3: `pi'}
> > Error.
< 2(3)
2>  ^
2> {Parsing failed on pos 1: `('}
> > Error.
< 2 3
2>   ^
2> {Parsing failed on pos 2: `3'}
> > Error.
< x = 1
< x 2
2>   ^
2> {Parsing failed on pos 2: `2'}
> > Error.
2> {End of file reached}

=== arithmetic follows IEEE doubles
@banner
< 1/0
> > inf
< -1/0
> > -inf
< 0/0
> > NaN
< -7 % 3
> > -1
< 7 % -3
> > 1
< 5.5 % 2
> > 1.5
< 5 % 0
> > NaN
< 2^0.5
> > 1.41421356237
< 0^0
> > 1
< 2^1024
> > inf
< 0 - 2^1024
> > -inf
< 0.1 + 0.2
> > 0.3
< 0.1 + 0.2 == 0.3
> > 0
2> {End of file reached}

=== integral values in the signed 31-bit range print as integers
@banner
< 1073741823
> > 1073741823
< 1073741824
> > 1073741824.
< -1073741824
> > -1073741824
< -1073741825
> > -1073741825.
< 2^31
> > 2147483648.
< -2^31
> > -2147483648.
< 2^32
> > 4294967296.
< 2^32 + 5
> > 4294967301.
< 999999999999
> > 999999999999.
< -999999999999
> > -999999999999.
< 1000000000000
> > 1e+12
< -1000000000000
> > -1e+12
< -0
> > 0
< 3.0
> > 3
2> {End of file reached}

=== other values print with twelve significant digits
@banner
< 1/3
> > 0.333333333333
< 2/3
> > 0.666666666667
< 1073741823.5
> > 1073741823.5
< 123456789012.5
> > 123456789012.
< 123456789.123456
> > 123456789.123
< 0.0001
> > 0.0001
< 0.00001
> > 1e-05
< 1/1024
> > 0.0009765625
< 100000000000000000000
> > 1e+20
< 2^-1074
> > 4.94065645841e-324
2> {End of file reached}
