# The WebAssembly module of the JavaScript package (web/), when building with
# emscripten (tools/web.sh): the library's core and C interface, replace
# mode's rewriting of a line, and the module's own exports
# (src/web/wasm_module.cpp). A reactor without a C runtime of JavaScript: the
# package's loader (web/zorm.mjs) instantiates it and supplies its few
# imports. Exceptions are WebAssembly's own (-fwasm-exceptions, which the
# whole build is compiled with): no call goes through JavaScript to catch.
if(NOT EMSCRIPTEN)
  return()
endif()

# The exports: every ZORM_API function of the C interface and of the module.
set(ZORM_WASM_EXPORTS)
foreach(source include/zorm/zorm_c.h src/web/wasm_module.cpp)
  file(READ ${PROJECT_SOURCE_DIR}/${source} text)
  string(REGEX MATCHALL "ZORM_API[^;{(]*[ *](zorm_[a-z0-9_]+)\\(" declarations "${text}")
  foreach(declaration ${declarations})
    string(REGEX REPLACE ".*[ *](zorm_[a-z0-9_]+)\\($" "_\\1" name "${declaration}")
    list(APPEND ZORM_WASM_EXPORTS ${name})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES ZORM_WASM_EXPORTS)
list(JOIN ZORM_WASM_EXPORTS "," ZORM_WASM_EXPORT_LIST)

add_executable(zorm_wasm EXCLUDE_FROM_ALL src/web/wasm_module.cpp src/session/replace.cpp)
target_link_libraries(zorm_wasm PRIVATE zorm_library zorm_internal zorm_warnings)
set_target_properties(zorm_wasm PROPERTIES OUTPUT_NAME zorm SUFFIX .wasm)
target_link_options(zorm_wasm PRIVATE
  --no-entry -sSTANDALONE_WASM=1 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=1048576 -sTOTAL_STACK=262144
  -sEXPORTED_FUNCTIONS=${ZORM_WASM_EXPORT_LIST})
