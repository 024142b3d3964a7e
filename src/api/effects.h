// The count of a calculator's effects that can give a statement another
// result (bindings made, random numbers drawn), for replace mode's rewriting
// of a line outside the program: the WebAssembly module reads it through the
// C interface's handle. The library's own code, not part of its interface.
#pragma once

#include <cstdint>

#include "zorm/zorm.h"
#include "zorm/zorm_c.h"

namespace zorm {

std::uint64_t effect_count(Calculator& calc);
// 0 for a NULL calc.
std::uint64_t effect_count(zorm_calculator* calc) noexcept;

}  // namespace zorm
