// Prints the result text of each argument, one per line, evaluated in order
// by one calculator (so variables carry over); a failure's report goes to
// standard error. Exits with status 1 when a statement failed.
//   embed '1+2'                 prints 3
//   embed 'x = 2' 'pi * x^2'    prints () and 12.5663706144
#include <iostream>

#include <zorm/zorm.h>

int main(int argc, char** argv) {
  zorm::Calculator calc;
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const zorm::Result r = calc.evaluate(argv[i]);
    std::cerr << r.report;
    std::cout << r.output << r.text << '\n';
    if (r.kind == zorm::Kind::failure) status = 1;
  }
  return status;
}
