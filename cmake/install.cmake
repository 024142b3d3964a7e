# What `cmake --install` puts where. Component Runtime: the executable, its
# man page and the shell completions; component Development: the library,
# its headers, its CMake package (find_package(zorm), target zorm::zorm) and
# zorm.pc.
include(CMakePackageConfigHelpers)

if(TARGET zorm)
  install(TARGETS zorm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
  install(FILES completion/zorm.bash RENAME zorm
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT Runtime)
  install(FILES completion/zorm.zsh RENAME _zorm
          DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/site-functions COMPONENT Runtime)
  install(FILES completion/zorm.fish
          DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d COMPONENT Runtime)
endif()
# The man page describes the language too, which the headers point at.
install(FILES ${PROJECT_BINARY_DIR}/doc/zorm.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)

install(TARGETS zorm_library EXPORT zormTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(FILES include/zorm/zorm.h include/zorm/zorm_c.h include/zorm/export.h
              ${PROJECT_BINARY_DIR}/include/zorm/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zorm COMPONENT Development)

# The installed archive holds machine code only: link-time optimisation data
# ties it to the compiler version that wrote it (see ZORM_LTO_TARGETS).
if(ZORM_LIBRARY_TYPE STREQUAL "STATIC_LIBRARY" AND "zorm_library" IN_LIST ZORM_LTO_TARGETS)
  install(CODE "
    set(archive \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:zorm_library>\")
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --wildcard --remove-section=.gnu.lto_*
                            --remove-section=.gnu.debuglto_* \"\${archive}\" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"could not remove the link-time optimisation data from \${archive}\")
    endif()" COMPONENT Development)
endif()

set(ZORM_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zorm)
install(EXPORT zormTargets NAMESPACE zorm:: DESTINATION ${ZORM_CMAKE_DIR} COMPONENT Development)
configure_package_config_file(cmake/zormConfig.cmake.in ${PROJECT_BINARY_DIR}/zormConfig.cmake
                              INSTALL_DESTINATION ${ZORM_CMAKE_DIR})
configure_file(cmake/zormConfigVersion.cmake.in ${PROJECT_BINARY_DIR}/zormConfigVersion.cmake @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zormConfig.cmake ${PROJECT_BINARY_DIR}/zormConfigVersion.cmake
        DESTINATION ${ZORM_CMAKE_DIR} COMPONENT Development)

# zorm.pc names its directories relative to its own place, so that the tree
# works wherever it is installed (--prefix, DESTDIR).
set(ZORM_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH ZORM_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${ZORM_PC_DIR} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" ZORM_PC_TO_PREFIX "${ZORM_PC_TO_PREFIX}")
# Beyond -lzorm: the C++ runtime for the archive (a C program's link does
# not add it), and the sanitizer runtimes for a sanitized library.
set(ZORM_PC_LIBS_EXTRA "")
foreach(lib ${ZORM_CXX_RUNTIME})
  string(APPEND ZORM_PC_LIBS_EXTRA " -l${lib}")
endforeach()
if(ZORM_SANITIZE)
  list(JOIN ZORM_SANITIZER_FLAGS " " ZORM_PC_SANITIZE)
  string(APPEND ZORM_PC_LIBS_EXTRA " ${ZORM_PC_SANITIZE}")
endif()
configure_file(cmake/zorm.pc.in ${PROJECT_BINARY_DIR}/zorm.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zorm.pc DESTINATION ${ZORM_PC_DIR} COMPONENT Development)
