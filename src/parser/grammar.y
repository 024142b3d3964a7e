# The statement grammar: the one source of the parse tables.
#
# tools/lalrgen.py turns this file into parse_tables.inc (LALR(1) tables with
# precedence-resolved conflicts). A state reduces without reading a lookahead
# only when one reduction is its sole action; every other state consults the
# lookahead and reports a syntax error at once when it has no action for it.
# That rule fixes when each production's value is computed.
#
# The terminals are the token kinds of the vocabulary, numbered in its order.
%tokens ../lexer/tokens.txt

# The conflicts that precedence leaves to the default (shift): the trailing
# expression of `decl_list DECL_IN expr` and of `LET decl_list DECL_IN expr`
# takes in every infix operator that follows it (17 tokens, two rules). The
# generator refuses any other number.
%expect 34

# Precedence, loosest first.
%nonassoc QUESTION COLON ELSE                  # 1: ?: and the else branch of if
%left     OR XOR                               # 2: || xor
%left     AND                                  # 3: &&
%left     EQUALS NOT_EQUAL                     # 4: == !=
%left     GREATER_EQUAL LESS_EQUAL GREATER LESS # 5: >= <= > <
%nonassoc NOT FLOOR CEIL ROUND                 # 6: not floor ceil round (prefix)
%left     PLUS MINUS                           # 7: + -
%left     TIMES DIV                            # 8: * /
%left     MODULO                               # 9: mod
%nonassoc SQRT ABS COS SIN TAN ACOS ASIN ATAN COSH SINH TANH LN LOG EXP DEG FACTORIAL # 10: functions
%left     POW                                  # 11: ^
%left     E_NOTATION                           # 12: infix e
%nonassoc UMINUS UPLUS PRINT RANDOM            # 13: prefix - + print rand e

%start evalf

# Productions, in their fixed order: lhs -> rhs [%prec TOKEN] ; action
evalf     -> END                                     ; no_value
evalf     -> COMMENT END                             ; no_value
evalf     -> CMD command END                         ; no_value
evalf     -> expr END                                ; pass_value
evalf     -> error                                   ; syntax_error
command   -> VAR                                     ; run_command
decl_list -> decl DECL_AND decl_list                 ; nothing
decl_list -> decl                                    ; nothing
decl      -> VAR ASSIGN expr                         ; bind
decl      -> VAR INCR                                ; increment
decl      -> INCR VAR                                ; increment
decl      -> VAR DECR                                ; decrement
decl      -> DECR VAR                                ; decrement
bracketed -> LPAR expr RPAR                          ; inner
bracketed -> LBRA expr RBRA                          ; inner
bracketed -> LCUR expr RCUR                          ; inner
expr      -> LET decl_list DECL_IN expr              ; trailing
expr      -> LET decl_list END                       ; no_value
expr      -> decl_list DECL_IN expr                  ; trailing
expr      -> decl_list END                           ; no_value
expr      -> UNIT                                    ; no_value
expr      -> VAL                                     ; pass_value
expr      -> bracketed                               ; pass_value
expr      -> VAR                                     ; lookup
expr      -> BAR expr BAR                            ; abs_pair
expr      -> PI                                      ; pi
expr      -> TRUE                                    ; true_value
expr      -> FALSE                                   ; false_value
expr      -> E_NOTATION expr %prec UMINUS            ; exp10
expr      -> expr E_NOTATION expr                    ; scale10
expr      -> expr PLUS expr                          ; add
expr      -> expr MINUS expr                         ; subtract
expr      -> expr TIMES expr                         ; multiply
expr      -> expr DIV expr                           ; divide
expr      -> expr MODULO expr                        ; modulo
expr      -> expr POW expr                           ; power
expr      -> RANDOM expr                             ; random
expr      -> SQRT expr                               ; function
expr      -> FLOOR expr                              ; function
expr      -> CEIL expr                               ; function
expr      -> ROUND expr                              ; function
expr      -> ABS expr                                ; function
expr      -> COS expr                                ; function
expr      -> SIN expr                                ; function
expr      -> TAN expr                                ; function
expr      -> ACOS expr                               ; function
expr      -> ASIN expr                               ; function
expr      -> ATAN expr                               ; function
expr      -> COSH expr                               ; function
expr      -> SINH expr                               ; function
expr      -> TANH expr                               ; function
expr      -> LN expr                                 ; function
expr      -> LOG expr                                ; function
expr      -> EXP expr                                ; function
expr      -> LOGB expr bracketed                     ; log_base
expr      -> DEG expr                                ; function
expr      -> FACTORIAL expr                          ; factorial
expr      -> expr EQUALS expr                        ; equals
expr      -> expr GREATER_EQUAL expr                 ; greater_equal
expr      -> expr LESS_EQUAL expr                    ; less_equal
expr      -> expr GREATER expr                       ; greater
expr      -> expr LESS expr                          ; less
expr      -> expr AND expr                           ; logical_and
expr      -> expr OR expr                            ; logical_or
expr      -> expr XOR expr                           ; logical_xor
expr      -> NOT expr                                ; logical_not
expr      -> expr NOT_EQUAL expr                     ; differs
expr      -> expr QUESTION expr COLON expr           ; ternary
expr      -> IF expr THEN expr ELSE expr             ; if_then_else
expr      -> MINUS expr %prec UMINUS                 ; negate
expr      -> PLUS expr %prec UPLUS                   ; pass_operand
expr      -> PRINT expr                              ; print
