# The standard-input loop: banner, one statement per line, the end-of-file
# notice, and the bytes a line may hold.

=== no input: the banner and the end-of-file notice
@banner
2> {End of file reached}

=== empty and blank lines print nothing and the loop goes on
@banner
<
< 1
> > 1
<\ \x20\x20\x20
<\ \t
< 2
> > 2
2> {End of file reached}

=== a last line without a line feed is still evaluated
@banner
< 1
<- 2 + 3
> > 1
> > 5
2> {End of file reached}

=== a carriage return stays in the line and fails lexing
@banner
<\ 1+2\r
> > Error.
<\ \r
> > Error.
<\ x = 4\r
> > Error.
<\ ' comment\r
<\ ()\r
< x
2> ^
2> {Parsing failed on pos 0: `x'}
2> {Unbound variable: `x'}
> > Error.
2> {End of file reached}

# unsure: a command acts as soon as its word is read, so the carriage return
# after it is never scanned and the listing is printed.
=== a command word before a carriage return still runs
@banner
<\ @vars\r
> Bound variables:
> Total: 0 variable
2> {End of file reached}

=== results that are not finite numbers
@banner
< 0/0
> > NaN
< -(0/0)
> > NaN
< sqrt -1
> > NaN
< 1/0
> > inf
< -1/0
> > -inf
< -0
> > 0
< 0 * -1
> > 0
2> {End of file reached}

# unsure: print writes the plain number text, so a NaN shows as the C library
# writes it (-nan, as 0/0 sets the sign bit here) while the result line
# says NaN.
=== print writes a NaN as the C library does
@banner
< print (0/0)
> -nan
> > NaN
2> {End of file reached}

=== NUL bytes and bytes from 0x80 up fail without a report
@banner
<\ \x00
> > Error.
<\ 1\x00
> > Error.
<\ 1 + \x80
> > Error.
<\ caf\xc3\xa9
> > Error.
<\ \xff
> > Error.
<\ ' caf\xc3\xa9 \x00 \xff
< 2
> > 2
2> {End of file reached}

=== notices, results, prints and listings come out in the order they happen
@merge
@banner
< 1 + y
>     ^
> {Parsing failed on pos 4: `y'}
> {Unbound variable: `y'}
> > Error.
< print 1 + print 2 3
> 1
> 2
>                   ^
> {Parsing failed on pos 18: `3'}
> > Error.
< x = 3
< @vars
> Bound variables:
>                    x = 3
> Total: 1 variable
< x
> > 3
> {End of file reached}

# unsure: the wording of the fatal line for a failed read of standard input;
# this follows the form used for a file that cannot be opened, with the
# system's error text alone.
=== standard input that cannot be read ends the run with status 2
@stdin-dir
@banner
2> Fatal error: exception Sys_error("Is a directory")
? 2
