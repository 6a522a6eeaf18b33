# Compiles one case of a source the compiler must refuse, as the test command
# does (cmake -P): with DEFINE the compiler must fail with a diagnostic
# matching EXPECT; with no DEFINE (the control case) it must succeed, so a
# refusal is known to come from the case's own lines.
#   COMPILER  the C++ compiler
#   FLAGS     its flags, a ;-list
#   SOURCE    the source file
#   DEFINE    the macro naming the case, or empty
#   EXPECT    a regular expression the diagnostic must match
set(command ${COMPILER} ${FLAGS} -fsyntax-only)
if(DEFINE)
  list(APPEND command -D${DEFINE})
endif()
execute_process(COMMAND ${command} ${SOURCE} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT DEFINE)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the control case does not compile:\n${output}")
  endif()
  return()
endif()
if(status EQUAL 0)
  message(FATAL_ERROR "${DEFINE}: compiled; the compiler must refuse it")
endif()
if(NOT output MATCHES "${EXPECT}")
  message(FATAL_ERROR "${DEFINE}: refused, but not as expected (${EXPECT}):\n${output}")
endif()
message(STATUS "${DEFINE}: refused as expected")
