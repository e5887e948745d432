# Each program's --help text lives in man/<program>.txt. kv_program_help compiles it into a
# header for the program and, with Python, turns the same text into the installed man page.

find_package(Python3 COMPONENTS Interpreter)

# kv_program_help(<program> TARGETS <target>...): <target>s get "<program>_help.h" with
#   namespace kvhelp_<program> { name, version, text, usage (the text's leading "usage:" lines) }.
function(kv_program_help program)
  cmake_parse_arguments(A "" "" "TARGETS" ${ARGN})
  set(source ${PROJECT_SOURCE_DIR}/man/${program}.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} KV_HELP_TEXT)
  string(REGEX MATCH "^usage:[^\n]*\n( [^\n]*\n)*" KV_HELP_USAGE "${KV_HELP_TEXT}")
  set(KV_HELP_PROGRAM ${program})
  set(KV_HELP_VERSION ${PROJECT_VERSION})
  set(dir ${CMAKE_BINARY_DIR}/generated/help)
  configure_file(${PROJECT_SOURCE_DIR}/man/help.h.in ${dir}/${program}_help.h @ONLY)
  foreach(target IN LISTS A_TARGETS)
    target_include_directories(${target} PRIVATE ${dir})
  endforeach()

  if(Python3_Interpreter_FOUND)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/man/help2roff.py ${source} ${program}
              ${PROJECT_VERSION} ${page}
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/man/help2roff.py
      COMMENT "Man page ${program}.1")
    add_custom_target(${program}_man ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endfunction()

# The HTML manual of both Qt programs: HLP/kvdoc.html beside them in the build tree, and
# installed under share/kvsuite.
set(KV_MANUAL_SOURCE ${PROJECT_SOURCE_DIR}/wizard/HLP/kvdoc.html)
set(KV_MANUAL_SUBDIR ${CMAKE_INSTALL_DATADIR}/kvsuite/HLP)
if(KV_PROGRAMS)
  install(FILES ${KV_MANUAL_SOURCE} DESTINATION ${KV_MANUAL_SUBDIR})
endif()

# kv_program_manual(<program> <lookup target>): copies the manual beside <program>; the
# <lookup target> (where the program looks for it) learns the installed folder.
function(kv_program_manual program lookup)
  add_custom_command(TARGET ${program} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${program}>/HLP
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KV_MANUAL_SOURCE} $<TARGET_FILE_DIR:${program}>/HLP/kvdoc.html)
  target_compile_definitions(${lookup} PRIVATE KV_MANUAL_INSTALL_DIR="${KV_MANUAL_SUBDIR}")
endfunction()
