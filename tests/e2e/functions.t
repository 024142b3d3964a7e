# Built-in constants, mathematical functions and the numeric helpers with
# rules of their own: deg, logb, round, factorial and the random value.

=== constants
@banner
< pi
> > 3.14159265359
< pi * 2 == 6.283185307179586
> > 1
< true + true
> > 2
< false
> > 0
2> {End of file reached}

=== trigonometric and hyperbolic functions work in radians
@banner
< cos 0
> > 1
< sin 0 + tan 0
> > 0
< cos pi
> > -1
< sin pi
> > 1.22464679915e-16
< atan 1 * 4 == pi
> > 1
< asin 1
> > 1.57079632679
< acos 1
> > 0
< acos 2
> > NaN
< asin -2
> > NaN
< cosh 1
> > 1.54308063482
< sinh 1
> > 1.17520119364
< tanh 1
> > 0.761594155956
2> {End of file reached}

=== roots, logarithms, exponentials and rounding to integers
@banner
< sqrt 16
> > 4
< sqrt 2
> > 1.41421356237
< sqrt -4
> > NaN
< exp 0
> > 1
< exp 1
> > 2.71828182846
< ln 0
> > -inf
< ln -1
> > NaN
< log 1000
> > 3
< abs -2.5
> > 2.5
< floor -2.5
> > -3
< ceil -2.5
> > -2
< floor 2.5
> > 2
< ceil 2.1
> > 3
2> {End of file reached}

=== deg converts degrees to radians
@banner
< deg 180
> > 3.14159265359
< deg 180 == pi
> > 1
< deg 90 * 2 == pi
> > 1
< deg 1
> > 0.0174532925199
< deg -90
> > -1.57079632679
2> {End of file reached}

=== logb takes the base, then the argument in brackets
@banner
< logb 2 (8)
> > 3
< logb 10 (1000) == 3
> > 1
< logb 10 (1000000) == 6
> > 1
< logb 1 (8)
> > inf
< logb 2 (0)
> > -inf
< logb 10 (-1)
> > NaN
< logb 1 (1)
> > NaN
< logb (2)(8)
> > 3
< logb 2 + 2 (16)
> > 2
< logb 2 (8) ^ 2
> > 9
< logb 4 [16] + logb 2 {8}
> > 5
< logb 2 8
2>        ^
2> {Parsing failed on pos 7: `8'}
> > Error.
2> {End of file reached}

=== round takes halves toward minus infinity
@banner
< round 2.5
> > 2
< round 3.5
> > 3
< nint 2.6
> > 3
< round -2.5
> > -3
< round -2.6
> > -3
< round 0.5
> > 0
< round -0.5
> > -1
< round 2.5000000000000004
> > 3
< 1 / round -0.4
> > inf
< 1 / round -0
> > -inf
< round 1/0
> > inf
< round 0/0
> > NaN
2> {End of file reached}

=== factorial is exact up to 21
@banner
< factorial 0
> > 1
< factorial 1
> > 1
< factorial 5
> > 120
< factorial 13
> > 6227020800.
< factorial 20 == 2432902008176640000
> > 1
< factorial 21
> > 5.10909421717e+19
< factorial 21 == 51090942171709440000
> > 1
< factorial 21 / factorial 20
> > 21
2> {End of file reached}

=== factorial outside 0 to 21 fails without a report
@banner
< factorial 22
> > Error.
< factorial 10^300
> > Error.
< factorial 2.5
> > Error.
< factorial -1
> > Error.
< factorial (0/0)
> > Error.
< factorial (1/0)
> > Error.
< x = 1, y = factorial 22
> > Error.
< x
> > 1
< y
2> ^
2> {Parsing failed on pos 0: `y'}
2> {Unbound variable: `y'}
> > Error.
2> {End of file reached}

=== random values scale a fresh draw from [0, 1)
@banner
< rand 0
> > 0
< random 0 + # 0
> > 0
< #10 < 10 && #10 >= 0
> > 1
< #-10 <= 0 && #-10 > -10
> > 1
< #0 + 5
> > 5
< #1 != #1
> > 1
< #(0/0)
> > NaN
< v = #1; v >= 0 && v < 1
> > 1
2> {End of file reached}

=== deg, atan, pi and rand reach over their operand only
@banner
< deg 90 * 2
> > 3.14159265359
< atan 1 * 4
> > 3.14159265359
< pi * 2
> > 6.28318530718
< #10 * 0
> > 0
2> {End of file reached}
