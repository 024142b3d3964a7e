/* Prints the result text of each argument, one per line, evaluated in order
 * by one calculator (so variables carry over), as examples/embed does; what
 * a statement writes comes before its result, and a failure's report goes to
 * standard error. Exits with status 1 when a statement failed.
 *   embed_c '1+2'                 prints 3
 *   embed_c 'x = 2' 'pi * x^2'    prints () and 12.5663706144 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zorm/zorm_c.h>

/* Writes one of the last statement's texts, fetched at its own length. */
static int write_text(const zorm_calculator* calc, size_t (*last)(const zorm_calculator*, char*, size_t),
                      FILE* to) {
  const size_t size = last(calc, NULL, 0);
  char* text = malloc(size + 1);
  if (text == NULL) return -1;
  last(calc, text, size + 1);
  fwrite(text, 1, size, to);
  free(text);
  return 0;
}

int main(int argc, char** argv) {
  zorm_calculator* calc;
  if (zorm_new(NULL, &calc) != ZORM_STATUS_OK) {
    fputs("embed_c: out of memory\n", stderr);
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    zorm_result r;
    zorm_result_init(&r);
    if (zorm_evaluate(calc, argv[i], strlen(argv[i]), &r) != ZORM_STATUS_OK ||
        write_text(calc, zorm_last_report, stderr) != 0 || write_text(calc, zorm_last_output, stdout) != 0 ||
        write_text(calc, zorm_last_text, stdout) != 0) {
      fputs("embed_c: out of memory\n", stderr);
      status = 2;
      break;
    }
    putchar('\n');
    if (r.kind == ZORM_KIND_FAILURE) status = 1;
  }
  zorm_free(calc);
  return status;
}
