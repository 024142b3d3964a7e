// The generated parse tables (see grammar.y and tools/lalrgen.py).
#pragma once

#include <cstdint>

namespace zorm::tables {
#include "parser/parse_tables.inc"
}  // namespace zorm::tables
