// zorm for JavaScript: the zorm calculator's evaluator in WebAssembly.

/** Loads the module (once, when no `wasm` is given). */
export function load(options?: LoadOptions): Promise<ZormModule>;

export interface LoadOptions {
  /** Another module file (a URL or a path), its bytes, or a compiled module. */
  wasm?: string | URL | ArrayBuffer | ArrayBufferView | WebAssembly.Module;
}

export interface ZormModule {
  Calculator: typeof Calculator;
  /** The version of the evaluator, such as "0.1". */
  version: string;
  /** The message of a failure code: "syntax" gives "Bad expression". */
  failureMessage(code: FailureCode): string;
  failureCodes: FailureCode[];
  /** The module's memory, which the calculators share (it grows, and never shrinks). */
  memory: WebAssembly.Memory;
}

export type Kind = 'number' | 'no_value' | 'failure';

export type FailureCode =
  | 'none'
  | 'syntax'
  | 'unbound_variable'
  | 'lexical'
  | 'bad_number'
  | 'domain'
  | 'too_big'
  | 'out_of_memory'
  | 'output';

/** How a calculator prints and reports; the defaults are the zorm program's. */
export interface CalculatorOptions {
  /** Repeat the statement and " = " before its result (print only). Default false. */
  printXp?: boolean;
  /** With printXp, a line break after " = ". Default false. */
  printNewline?: boolean;
  /** Also print results whose text is the unit string. Default false. */
  printUnit?: boolean;
  /** The result marker "> ". Default true. */
  printSymbol?: boolean;
  /** Reports of failed statements at all. Default true. */
  printErrors?: boolean;
  /** The line of carets under the failing text. Default true. */
  showError?: boolean;
  /** The statement's text on a line of its own before its report. Default false. */
  echoInput?: boolean;
  /** The result text of a statement without value. Default "()". */
  unitString?: string | Uint8Array;
  /** The random generator's seed; without one it starts from the system's entropy. */
  seed?: number | bigint;
  /** The longest report line kept whole; 0: no limit. Default 4096. */
  reportLineLimit?: number;
  /** The delimiters of replace(). Default ["[[", "]]"]. */
  delimiters?: [string | Uint8Array, string | Uint8Array];
}

/** One statement's outcome; texts are strings, or Uint8Arrays for a statement given as bytes. */
export interface Result<T extends string | Uint8Array = string> {
  kind: Kind;
  /** The number when kind is "number" (NaN and the infinities included); 0 otherwise. */
  value: number;
  /** The result text as the program prints it: "3", "0.333333333333", "NaN", the unit string, "Error.". */
  text: T;
  /** How the statement failed; "none" unless kind is "failure". */
  code: FailureCode;
  /** The failure's message ("Bad expression"); "" unless kind is "failure". */
  message: string;
  /** The failing bytes of the statement, [start, end) in UTF-8 bytes, when the failure has them. */
  span: { start: number; end: number } | null;
  /** The reports and notices the statement wrote (standard error in the program). */
  report: T;
  /** What the statement wrote to the output (standard output): print, @vars, @help; print() adds the result line. */
  output: T;
  /** The statement ran @exit or @quit; it ends nothing here. */
  exit: boolean;
}

/** Replace mode's rewriting of one line. */
export interface Rewrite<T extends string | Uint8Array = string> {
  /** The line with each delimited statement replaced by its result text. */
  line: T;
  report: T;
  output: T;
  /** A statement ran @exit: the program would end before writing the line. */
  exit: boolean;
}

export interface Binding {
  name: string;
  value: number;
}

/** A calculator: options, variables and a random generator of its own. */
export class Calculator {
  constructor(options?: CalculatorOptions);
  /** Evaluates a statement and says what it yielded and wrote. */
  evaluate(statement: string): Result<string>;
  evaluate(statement: Uint8Array): Result<Uint8Array>;
  /** evaluate(), with the result line in `output` as the program prints it. */
  print(statement: string): Result<string>;
  print(statement: Uint8Array): Result<Uint8Array>;
  /** Evaluates a statement and returns its result text. */
  text(statement: string): string;
  text(statement: Uint8Array): Uint8Array;
  /** Binds a variable as `name = value` does; a TypeError when name is not a variable name. */
  bind(name: string, value: number): void;
  /** Removes a variable; false when there was none. */
  unbind(name: string): boolean;
  /** Removes every variable, as @clear does. */
  clear(): void;
  /** The value bound to a variable, or undefined. */
  value(name: string): number | undefined;
  /** Every variable, in the order of the @vars listing. */
  variables(): Binding[];
  /** Replace mode's rewriting of one line, with the delimiters of the options. */
  replace(line: string): Rewrite<string>;
  replace(line: Uint8Array): Rewrite<Uint8Array>;
  /** Frees the calculator's memory; afterwards every call throws. */
  free(): void;
}
