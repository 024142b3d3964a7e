# Fatal failures: the malformed-command-line report, definitions files that
# cannot be read, and a standard input that cannot be read. All end with the
# fatal-failure line and status 2, after the output written so far.

=== the hyphenated --print-errors is not an option
$ --print-errors
@argv0 zorm
2> Failed on argument `--print-errors'!
2> Incorrect runtime arguments ! Run 'zorm --help' to see help.
2>
2> argument 0: <zorm>
2> argument 1: <--print-errors>
2> Fatal error: exception Failure("Please correct the command-line and try again... (see --help)")
? 2

=== an empty word has no failed-argument line
$ dw '' 1
@argv0 zorm
2> Incorrect runtime arguments ! Run 'zorm --help' to see help.
2>
2> argument 0: <zorm>
2> argument 1: <dw>
2> argument 2: <>
2> argument 3: <1>
2> Fatal error: exception Failure("Please correct the command-line and try again... (see --help)")
? 2

# The invocation name is the one the process was called by, path and all.
=== the report uses argv[0] as given
$ bogus
@argv0 ./bin/vx-1
2> Failed on argument `bogus'!
2> Incorrect runtime arguments ! Run './bin/vx-1 --help' to see help.
2>
2> argument 0: <./bin/vx-1>
2> argument 1: <bogus>
2> Fatal error: exception Failure("Please correct the command-line and try again... (see --help)")
? 2

=== words with blanks and control bytes are reported as they are
$\ pu 'c 1' '\x01\t'
@argv0 zorm
2> Failed on argument `c 1'!
2> Incorrect runtime arguments ! Run 'zorm --help' to see help.
2>
2> argument 0: <zorm>
2> argument 1: <pu>
2> argument 2: <c 1>
2>\ argument 3: <\x01\t>
2> Fatal error: exception Failure("Please correct the command-line and try again... (see --help)")
? 2

# What came before the offending word has acted, and its output is written
# before the report; nothing after it acts (no second file, no help page).
=== words before the offending one act, the ones after do not
$ ef a.txt bogus ef b.txt --help
@argv0 zorm
@merge
@file a.txt
| print 1
@file b.txt
| print 2
> {Evaluating file `a.txt'}
> 1
> Failed on argument `bogus'!
> Incorrect runtime arguments ! Run 'zorm --help' to see help.
>
> argument 0: <zorm>
> argument 1: <ef>
> argument 2: <a.txt>
> argument 3: <bogus>
> argument 4: <ef>
> argument 5: <b.txt>
> argument 6: <--help>
> Fatal error: exception Failure("Please correct the command-line and try again... (see --help)")
? 2

=== a missing definitions file: announcement, then Sys_error
$ pu ef nope.txt c 1
2> {Evaluating file `nope.txt'}
2> Fatal error: exception Sys_error("nope.txt: No such file or directory")
? 2

=== output of an earlier file is written before the fatal line
$ ef a --eval-file sub/missing
@merge
@file a
| print 3
> {Evaluating file `a'}
> 3
> {Evaluating file `sub/missing'}
> Fatal error: exception Sys_error("sub/missing: No such file or directory")
? 2

=== an empty file name is taken as a name
$ ef ''
2> {Evaluating file `'}
2> Fatal error: exception Sys_error(": No such file or directory")
? 2

# The listing leaves its last lines to the next flush; a fatal end must
# still write them.
=== pending listing lines are written before a fatal end
$ ef a ef missing
@file a
| @vars
> Bound variables:
> Total: 0 variable
2> {Evaluating file `a'}
2> {Evaluating file `missing'}
2> Fatal error: exception Sys_error("missing: No such file or directory")
? 2

=== pending listing lines are written before the malformed report ends the run
$ ef a --eval
@argv0 zorm
@file a
| @vars
> Bound variables:
> Total: 0 variable
2> {Evaluating file `a'}
2> Failed on argument `--eval'!
2> Incorrect runtime arguments ! Run 'zorm --help' to see help.
2>
2> argument 0: <zorm>
2> argument 1: <ef>
2> argument 2: <a>
2> argument 3: <--eval>
2> Fatal error: exception Failure("Please correct the command-line and try again... (see --help)")
? 2

# unsure: the message text of a file that opens but cannot be read is not
# given; the file name, a colon and the system's text like for a missing file
# is the clear choice.
=== a definitions file that is a directory
$ ef defs c 1
@dir defs
2> {Evaluating file `defs'}
2> Fatal error: exception Sys_error("defs: Is a directory")
? 2

# unsure: the text for a standard input that cannot be read is not given;
# there is no name to put before the system's text.
=== standard input that is a directory, standard-input mode
@stdin-dir
@banner
2> Fatal error: exception Sys_error("Is a directory")
? 2

=== standard input that is a directory, replace mode after en output
$ r en 1+1
@stdin-dir
> > 2
2> Fatal error: exception Sys_error("Is a directory")
? 2

=== command-line mode never reads standard input
$ c 1+1
@stdin-dir
> > 2
