# The help page: 39 lines on standard output, status 0. Its text is written
# once, in the runner (@help).

=== --help alone prints the page and reads no input
$ --help
< 1+1
@help

# Options before --help have acted (the file is evaluated and its print
# output comes first); nothing after --help is looked at, not even a word
# that would be malformed.
=== --help after other words: earlier ones act, later ones are ignored
$ ps ef defs --help bogus ''
@file defs
| print 7
| y = 1
< 1+1
> 7
@help
2> {Evaluating file `defs'}

=== --help after a mode word still ends the run with the page
$ +replace dw --help
< [[1+1]]
@help
