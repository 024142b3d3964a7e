// zorm for JavaScript: the zorm calculator's evaluator, compiled to
// WebAssembly, in Node and in browsers.
//
//   import { load } from 'zorm';
//   const zorm = await load();
//   const calc = new zorm.Calculator({ seed: 7 });
//   calc.text('x = 2 ^ 10');        // '()': an assignment has no value
//   calc.evaluate('x / 4').value;   // 256
//   calc.evaluate('1 +').report;    // '   ^\n{Parsing failed on pos 3}\n'
//   calc.free();
//
// The module is the C interface (zorm/zorm_c.h) and a few functions of its
// own (src/web/wasm_module.cpp); this file turns them into a class. Texts
// cross as UTF-8: a statement given as a string comes back as strings, one
// given as a Uint8Array (any bytes) comes back as Uint8Arrays.

const DEFAULT_WASM = new URL('./zorm.wasm', import.meta.url);

const KINDS = ['number', 'no_value', 'failure'];
// The failure codes of zorm_c.h (enum zorm_failure), in their order.
const FAILURES = ['none', 'syntax', 'unbound_variable', 'lexical', 'bad_number', 'domain', 'too_big',
  'out_of_memory', 'output'];
const STATUS_OK = 0;
const STATUS_INVALID_ARGUMENT = 1;
const STATUS_NOT_A_NAME = 2;
const STATUS_UNBOUND = 3;

const OPTION_FLAGS = {
  printXp: 'print_xp',
  printNewline: 'print_newline',
  printUnit: 'print_unit',
  printSymbol: 'print_symbol',
  printErrors: 'print_errors',
  showError: 'show_error',
  echoInput: 'echo_input',
};
const OPTION_NAMES = new Set([...Object.keys(OPTION_FLAGS), 'seed', 'unitString', 'reportLineLimit',
  'delimiters']);

const encoder = new TextEncoder();
const decoder = new TextDecoder();

let defaultModule = null;

/**
 * Loads the module: a promise of an object with the Calculator class. With
 * no argument the module beside this file is loaded once and shared; `wasm`
 * may name another (a URL or a path string), or give its bytes or a compiled
 * WebAssembly.Module.
 */
export function load({ wasm } = {}) {
  if (wasm !== undefined) return instantiate(wasm).then(build);
  if (defaultModule === null) {
    defaultModule = instantiate(DEFAULT_WASM).then(build);
    defaultModule.catch(() => { defaultModule = null; });
  }
  return defaultModule;
}

// The functions the module imports: the few bits of a system that the C
// library's start-up may ask for. The calculator itself needs none of them.
function systemImports(memory) {
  const ERRNO_BADF = 8;
  const ERRNO_NOSYS = 52;
  const wasi = {
    proc_exit(status) { throw new Error(`zorm: the module exited with status ${status}`); },
    fd_write: () => ERRNO_BADF,
    fd_read: () => ERRNO_BADF,
    fd_close: () => ERRNO_BADF,
    fd_seek: () => ERRNO_BADF,
    fd_fdstat_get: () => ERRNO_BADF,
    environ_sizes_get(count, size) {
      const v = new DataView(memory().buffer);
      v.setUint32(count, 0, true);
      v.setUint32(size, 0, true);
      return 0;
    },
    environ_get: () => 0,
    clock_time_get(id, precision, out) {
      const ns = BigInt(Math.round((performance.timeOrigin + performance.now()) * 1e6));
      new DataView(memory().buffer).setBigUint64(out, ns, true);
      return 0;
    },
    random_get(at, length) {
      crypto.getRandomValues(new Uint8Array(memory().buffer, at, length));
      return 0;
    },
  };
  const env = {
    getentropy: (at, length) => wasi.random_get(at, length),
    // The views of the memory are made anew when it has grown (see build).
    emscripten_notify_memory_growth() {},
  };
  return (module) => {
    const imports = {};
    for (const { module: from, name, kind } of WebAssembly.Module.imports(module)) {
      if (kind !== 'function') continue;
      imports[from] ??= {};
      imports[from][name] = (from === 'env' ? env : wasi)[name] ?? (() => {
        if (from === 'wasi_snapshot_preview1') return ERRNO_NOSYS;
        throw new Error(`zorm: the module called ${from}.${name}, which this loader does not provide`);
      });
    }
    return imports;
  };
}

async function compile(source) {
  if (source instanceof WebAssembly.Module) return source;
  if (source instanceof ArrayBuffer || ArrayBuffer.isView(source)) return WebAssembly.compile(source);
  const url = source instanceof URL ? source : new URL(String(source), isNode() ? `file://${process.cwd()}/` : globalThis.location?.href);
  if (url.protocol === 'file:') {
    const { readFile } = await import('node:fs/promises');
    return WebAssembly.compile(await readFile(url));
  }
  if (typeof WebAssembly.compileStreaming === 'function') {
    try {
      return await WebAssembly.compileStreaming(fetch(url));
    } catch {
      // Served without the type application/wasm: compiled from its bytes.
    }
  }
  const response = await fetch(url);
  if (!response.ok) throw new Error(`zorm: cannot load ${url}: ${response.status}`);
  return WebAssembly.compile(await response.arrayBuffer());
}

function isNode() {
  return typeof process !== 'undefined' && typeof process.versions?.node === 'string';
}

async function instantiate(source) {
  const module = await compile(source);
  let instance = null;
  const imports = systemImports(() => instance.exports.memory)(module);
  instance = await WebAssembly.instantiate(module, imports);
  const x = instance.exports;
  // A reactor module: its constructors run once, here.
  if (typeof x._initialize === 'function') x._initialize();
  return x;
}

// The module object for one instance of the WebAssembly module.
function build(x) {
  const layoutAt = x.zorm_wasm_layout();
  if (layoutAt === 0) throw new RangeError('zorm: out of memory');
  // Views of the memory, made anew when it has grown (which detaches the
  // old buffer: its views then have no length).
  let U8;
  let I32;
  let U32;
  let F64;
  let words;
  const remake = () => {
    const buffer = x.memory.buffer;
    U8 = new Uint8Array(buffer);
    I32 = new Int32Array(buffer);
    U32 = new Uint32Array(buffer);
    F64 = new Float64Array(buffer);
    words = new DataView(buffer);
  };
  remake();
  const heap = () => {
    if (U8.length === 0) remake();
    return U8;
  };
  const view = () => {
    if (U8.length === 0) remake();
    return words;
  };
  const cString = (at) => {
    const b = heap();
    let end = at;
    while (b[end] !== 0) end++;
    return decoder.decode(b.subarray(at, end));
  };
  const L = Object.fromEntries(cString(layoutAt).trim().split('\n').map((line) => {
    const [name, value] = line.split('=');
    return [name, Number(value)];
  }));
  // Words at 4-byte aligned addresses, doubles at 8-byte aligned ones.
  const u32 = (at) => {
    if (U8.length === 0) remake();
    return U32[at >>> 2];
  };
  const i32 = (at) => {
    if (U8.length === 0) remake();
    return I32[at >>> 2];
  };
  const f64 = (at) => {
    if (U8.length === 0) remake();
    return F64[at >>> 3];
  };
  const setU32 = (at, v) => {
    if (U8.length === 0) remake();
    U32[at >>> 2] = v;
  };

  const alloc = (n) => {
    const at = x.zorm_wasm_alloc(n);
    if (at === 0) throw new RangeError('zorm: out of memory');
    return at;
  };

  // The text of `n` bytes at `at`: a string (UTF-8), or a copy of the bytes.
  const readText = (at, n, asBytes) => {
    if (asBytes) return heap().slice(at, at + n);
    if (n === 0) return '';
    const b = heap();
    if (n <= 24) {
      // Short texts (results, most reports) are ASCII: no decoder call.
      let s = '';
      for (let i = at; i < at + n; i++) {
        const c = b[i];
        if (c >= 0x80) return decoder.decode(b.subarray(at, at + n));
        s += String.fromCharCode(c);
      }
      return s;
    }
    return decoder.decode(b.subarray(at, at + n));
  };

  // The failure codes above are the module's: the last has a message, the
  // one after it none.
  if (cString(x.zorm_failure_message(FAILURES.length - 1)) === ''
      || cString(x.zorm_failure_message(FAILURES.length)) !== '') {
    throw new Error('zorm: the module\'s failure codes are not those of zorm.mjs');
  }

  const registry = typeof FinalizationRegistry === 'function'
    ? new FinalizationRegistry((held) => release(held))
    : null;

  function release(held) {
    x.zorm_free(held.calc);
    x.zorm_wasm_release(held.block);
    if (held.input !== 0) x.zorm_wasm_release(held.input);
    for (const at of held.buffers) if (at !== 0) x.zorm_wasm_release(at);
  }

  const RESULT_BUFFERS = [['text', 64], ['report', 1024], ['output', 1024]];
  // The offsets of the result's fields, looked up once.
  const R = Object.fromEntries(['kind', 'failure', 'has_span', 'exit', 'value', 'span_start', 'span_end']
    .map((f) => [f, L[`zorm_result.${f}`]]));
  if (R.value % 8 !== 0 || L.zorm_result % 8 !== 0) throw new Error('zorm: the result\'s value is not aligned');
  const SIZE_AT = RESULT_BUFFERS.map(([name]) => L[`zorm_result.${name}.size`]);
  const FETCH = [x.zorm_last_text, x.zorm_last_report, x.zorm_last_output];
  const MESSAGES = FAILURES.map((_, i) => cString(x.zorm_failure_message(i)));
  const SCRATCH = 64;  // a zorm_buffer and room for small outputs of the calls

  class Calculator {
    #held;
    #delimiters;

    /**
     * A calculator with variables and a random generator of its own.
     * Options: printXp, printNewline, printUnit, printSymbol, printErrors,
     * showError, echoInput (booleans, the program's defaults), unitString,
     * seed (a number or a BigInt; without one the generator starts from the
     * system's entropy), reportLineLimit, delimiters ([left, right] for
     * replace(), ['[[', ']]'] by default).
     */
    constructor(options = {}) {
      for (const name of Object.keys(options)) {
        if (!OPTION_NAMES.has(name)) throw new TypeError(`zorm: unknown option ${name}`);
      }
      const delimiters = options.delimiters ?? ['[[', ']]'];
      if (!Array.isArray(delimiters) || delimiters.length !== 2) {
        throw new TypeError('zorm: delimiters must be [left, right]');
      }
      this.#delimiters = delimiters.map((d) => (d instanceof Uint8Array ? d : encoder.encode(String(d))));

      const optionsAt = alloc(L.zorm_options + 8);
      const calcAt = optionsAt + L.zorm_options;
      let unitAt = 0;
      try {
        x.zorm_options_init(optionsAt);
        for (const [js, c] of Object.entries(OPTION_FLAGS)) {
          if (options[js] !== undefined) setU32(optionsAt + L[`zorm_options.${c}`], options[js] ? 1 : 0);
        }
        const seed = options.seed ?? randomSeed();
        setU32(optionsAt + L['zorm_options.seeded'], 1);
        view().setBigUint64(optionsAt + L['zorm_options.seed'], BigInt.asUintN(64, BigInt(seed)), true);
        if (options.unitString !== undefined) {
          const unit = toBytes(options.unitString);
          unitAt = alloc(unit.length);
          heap().set(unit, unitAt);
          setU32(optionsAt + L['zorm_options.unit_string'], unitAt);
          setU32(optionsAt + L['zorm_options.unit_string_length'], unit.length);
        }
        if (options.reportLineLimit !== undefined) {
          setU32(optionsAt + L['zorm_options.report_line_limit'], Number(options.reportLineLimit));
        }
        const status = x.zorm_new(optionsAt, calcAt);
        if (status !== STATUS_OK) {
          throw status === STATUS_INVALID_ARGUMENT ? new TypeError('zorm: invalid options')
            : new RangeError('zorm: out of memory');
        }
        const calc = u32(calcAt);
        // One block for the result struct and the scratch buffer; the
        // result's texts in buffers of their own, which grow.
        const block = x.zorm_wasm_alloc(L.zorm_result + SCRATCH);
        if (block === 0) {
          x.zorm_free(calc);
          throw new RangeError('zorm: out of memory');
        }
        this.#held = { calc, block, input: 0, inputCapacity: 0, buffers: [0, 0, 0], capacities: [0, 0, 0] };
        x.zorm_result_init(block);
        try {
          RESULT_BUFFERS.forEach(([, size], i) => this.#grow(i, size));
        } catch (e) {
          release(this.#held);
          this.#held = null;
          throw e;
        }
      } finally {
        x.zorm_wasm_release(optionsAt);
        if (unitAt !== 0) x.zorm_wasm_release(unitAt);
      }
      registry?.register(this, this.#held, this);
    }

    // Gives the result's i-th text a buffer of at least `size` bytes.
    #grow(i, size) {
      const h = this.#held;
      const at = alloc(size);
      if (h.buffers[i] !== 0) x.zorm_wasm_release(h.buffers[i]);
      h.buffers[i] = at;
      h.capacities[i] = size;
      const name = RESULT_BUFFERS[i][0];
      setU32(h.block + L[`zorm_result.${name}.data`], at);
      setU32(h.block + L[`zorm_result.${name}.capacity`], size);
    }

    #live() {
      if (this.#held === null) throw new Error('zorm: the calculator has been freed');
      return this.#held;
    }

    // Copies a text into the input buffer (which is reused and grows) and
    // returns its length in bytes.
    #put(text) {
      const h = this.#live();
      if (text instanceof Uint8Array) {
        this.#room(text.length);
        heap().set(text, h.input);
        return text.length;
      }
      const s = String(text);
      this.#room(s.length * 3);
      const b = heap();
      let n = 0;
      for (; n < s.length; n++) {
        const c = s.charCodeAt(n);
        if (c >= 0x80) break;
        b[h.input + n] = c;
      }
      if (n === s.length) return n;
      return n + encoder.encodeInto(s.slice(n), b.subarray(h.input + n, h.input + h.inputCapacity)).written;
    }

    #room(n) {
      const h = this.#held;
      if (n <= h.inputCapacity && h.input !== 0) return;
      const capacity = Math.max(n, 2 * h.inputCapacity, 256);
      const at = alloc(capacity);
      if (h.input !== 0) x.zorm_wasm_release(h.input);
      h.input = at;
      h.inputCapacity = capacity;
    }

    // One of the last statement's texts, whole: from its buffer, or fetched
    // again into a bigger one when it was cut.
    #text(i, asBytes) {
      const h = this.#held;
      const size = u32(h.block + SIZE_AT[i]);
      if (size === 0) return asBytes ? new Uint8Array(0) : '';
      if (size >= h.capacities[i]) {
        this.#grow(i, size + 1);
        FETCH[i](h.calc, h.buffers[i], size + 1);
      }
      return readText(h.buffers[i], size, asBytes);
    }

    #run(statement, print) {
      const h = this.#live();
      const n = this.#put(statement);
      (print ? x.zorm_print : x.zorm_evaluate)(h.calc, h.input, n, h.block);
      const asBytes = statement instanceof Uint8Array;
      const r = h.block;
      const failure = i32(r + R.failure);
      return {
        kind: KINDS[i32(r + R.kind)],
        value: f64(r + R.value),
        text: this.#text(0, asBytes),
        code: FAILURES[failure] ?? String(failure),
        message: MESSAGES[failure] ?? '',
        span: i32(r + R.has_span) !== 0 ? { start: u32(r + R.span_start), end: u32(r + R.span_end) } : null,
        report: this.#text(1, asBytes),
        output: this.#text(2, asBytes),
        exit: i32(r + R.exit) !== 0,
      };
    }

    /** Evaluates a statement and says what it yielded and wrote. */
    evaluate(statement) {
      return this.#run(statement, false);
    }

    /** evaluate(), with the result line in `output` as the program prints it. */
    print(statement) {
      return this.#run(statement, true);
    }

    /** Evaluates a statement and returns its result text. */
    text(statement) {
      const h = this.#live();
      const n = this.#put(statement);
      x.zorm_evaluate(h.calc, h.input, n, h.block);
      return this.#text(0, statement instanceof Uint8Array);
    }

    /** Binds a variable, as `name = value` does. */
    bind(name, value) {
      const h = this.#live();
      const n = this.#put(name);
      const status = x.zorm_bind(h.calc, h.input, n, Number(value));
      if (status === STATUS_NOT_A_NAME) throw new TypeError(`zorm: not a variable name: ${name}`);
      if (status !== STATUS_OK) throw new RangeError('zorm: out of memory');
    }

    /** Removes a variable; says whether there was one. */
    unbind(name) {
      const h = this.#live();
      const n = this.#put(name);
      return x.zorm_unbind(h.calc, h.input, n) !== STATUS_UNBOUND;
    }

    /** Removes every variable, as @clear does. */
    clear() {
      x.zorm_clear(this.#live().calc);
    }

    /** The value bound to a variable, or undefined. */
    value(name) {
      const h = this.#live();
      const n = this.#put(name);
      const at = h.block + L.zorm_result;
      if (x.zorm_value(h.calc, h.input, n, at) !== STATUS_OK) return undefined;
      return f64(at);
    }

    /** Every variable, in the order of the @vars listing: [{name, value}]. */
    variables() {
      const h = this.#live();
      const buffer = h.block + L.zorm_result;
      const countAt = buffer + L.zorm_buffer;
      const at = (field) => buffer + L[`zorm_buffer.${field}`];
      setU32(at('data'), 0);
      setU32(at('capacity'), 0);
      x.zorm_variables(h.calc, buffer, 0, 0, countAt);
      const count = u32(countAt);
      const namesSize = u32(at('size'));
      if (count === 0) return [];
      const names = alloc(namesSize + 1);
      const values = alloc(8 * count);
      try {
        setU32(at('data'), names);
        setU32(at('capacity'), namesSize + 1);
        x.zorm_variables(h.calc, buffer, values, count, countAt);
        const list = [];
        let p = names;
        const v = view();
        for (let i = 0; i < count; i++) {
          const name = cString(p);
          p += encoder.encode(name).length + 1;
          list.push({ name, value: v.getFloat64(values + 8 * i, true) });
        }
        return list;
      } finally {
        x.zorm_wasm_release(names);
        x.zorm_wasm_release(values);
      }
    }

    /**
     * Rewrites one line as replace mode does: each statement between the
     * delimiters, the rightmost pair first, by its result text. Returns
     * {line, report, output, exit}. (The program turns echoInput on in
     * replace mode, so that a failure report repeats its statement.)
     */
    replace(line) {
      const h = this.#live();
      const asBytes = line instanceof Uint8Array;
      const [left, right] = this.#delimiters;
      const text = asBytes ? line : encoder.encode(String(line));
      const all = alloc(left.length + right.length + text.length);
      try {
        const b = heap();
        b.set(left, all);
        b.set(right, all + left.length);
        b.set(text, all + left.length + right.length);
        const r = x.zorm_wasm_replace(h.calc, all, left.length, all + left.length, right.length,
          all + left.length + right.length, text.length);
        if (r === 0) throw new RangeError('zorm: out of memory');
        const field = (name) => u32(r + L[`zorm_wasm_rewrite.${name}`]);
        return {
          line: readText(field('line'), field('line_size'), asBytes),
          report: readText(field('report'), field('report_size'), asBytes),
          output: readText(field('output'), field('output_size'), asBytes),
          exit: field('exit') !== 0,
        };
      } finally {
        x.zorm_wasm_release(all);
      }
    }

    // compile() and run(), the compiled statements of zorm_compile and
    // zorm_run, join here when the C interface has them.

    /** Frees the calculator's memory in the module; the object is unusable afterwards. */
    free() {
      if (this.#held === null) return;
      registry?.unregister(this);
      release(this.#held);
      this.#held = null;
    }
  }

  return {
    Calculator,
    version: cString(x.zorm_version()),
    /** The module's memory (it grows, and never shrinks). */
    memory: x.memory,
    /** The message of a failure code ('syntax' gives 'Bad expression'). */
    failureMessage(code) {
      const i = FAILURES.indexOf(code);
      return i < 0 ? '' : cString(x.zorm_failure_message(i));
    },
    failureCodes: FAILURES.slice(),
  };
}

function toBytes(text) {
  return text instanceof Uint8Array ? text : encoder.encode(String(text));
}

function randomSeed() {
  const words = crypto.getRandomValues(new Uint32Array(2));
  return (BigInt(words[0]) << 32n) | BigInt(words[1]);
}
