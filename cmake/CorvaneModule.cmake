# corvane_add_module: one call makes a self-contained module library on the
# Corvane framework. Used by this project for corvane.dll and, through the
# installed package (find_package(Corvane)), by every other module.
#
#   corvane_add_module(NAME
#                      SOURCES file.cpp ...
#                      PINS file.pins.json
#                      [DESCRIPTION "text"]      # VERSIONINFO FileDescription; default: NAME
#                      [PRODUCT_NAME "text"]     # default: the calling project's name
#                      [VERSION x.y.z]           # default: the calling project's version
#                      [OUTPUT_NAME name])       # file name without prefix or suffix; default: NAME
#
# Windows: NAME.dll with the compiler's runtime linked in, exactly one export
# (MP_GetFactory), the pin description as the RCDATA resource PINDESCRIPTION
# and a VERSIONINFO resource. Elsewhere: libNAME.so exporting MP_GetFactory
# and CorvaneFireDueTimers (which a native host calls to fire the framework's
# timers, interfaces/NativeTimerEntry.h) and nothing else, with the pin
# description beside it as libNAME.so.pins.json.

#
# CORVANE_SANITIZE (a cache variable or -D at configure time) builds modules
# natively with sanitizers: "address", "undefined" or "address;undefined";
# ON means both, as for this project's own sanitizer preset. MinGW has no
# sanitizer runtimes, so a Windows build refuses it. The native corvane-host
# brings the runtime in itself when it runs such a module.

# The sanitizers CORVANE_SANITIZE asks for, as a list in `out` (empty for none).
function(corvane_sanitizers out)
  set(wanted "${CORVANE_SANITIZE}")
  if(NOT wanted OR wanted MATCHES "^(0|OFF|NO|FALSE|N|IGNORE|NOTFOUND)$")
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  if(wanted MATCHES "^(1|ON|YES|TRUE|Y)$")
    set(wanted address undefined)
  endif()
  string(REPLACE "," ";" wanted "${wanted}")
  foreach(sanitizer IN LISTS wanted)
    if(NOT sanitizer MATCHES "^(address|undefined)$")
      message(FATAL_ERROR "CORVANE_SANITIZE: unknown sanitizer '${sanitizer}': give address, undefined or both separated by ';'")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES wanted)
  set(${out} "${wanted}" PARENT_SCOPE)
endfunction()

# Resources need the RC language, which may only be enabled at file scope:
# here, as find_package or include reads this file.
if(WIN32 AND NOT CMAKE_RC_COMPILER_LOADED)
  enable_language(RC)
endif()

function(corvane_add_module name)
  # This file's folder, also when called from another project's directory.
  set(here "${CMAKE_CURRENT_FUNCTION_LIST_DIR}")
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PINS;DESCRIPTION;PRODUCT_NAME;VERSION;OUTPUT_NAME" "SOURCES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "corvane_add_module(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "corvane_add_module(${name}): SOURCES is required")
  endif()
  if(NOT arg_PINS)
    message(FATAL_ERROR "corvane_add_module(${name}): PINS (the pin description) is required")
  endif()
  get_filename_component(pins "${arg_PINS}" ABSOLUTE)
  if(NOT EXISTS "${pins}")
    message(FATAL_ERROR "corvane_add_module(${name}): no pin description at ${pins}")
  endif()
  if(NOT arg_OUTPUT_NAME)
    set(arg_OUTPUT_NAME ${name})
  endif()
  if(NOT arg_DESCRIPTION)
    set(arg_DESCRIPTION ${name})
  endif()
  if(NOT arg_PRODUCT_NAME)
    set(arg_PRODUCT_NAME ${PROJECT_NAME})
  endif()
  if(NOT arg_VERSION)
    set(arg_VERSION ${PROJECT_VERSION})
  endif()
  if(NOT arg_VERSION)
    message(FATAL_ERROR "corvane_add_module(${name}): no version: give project() a VERSION or pass VERSION")
  endif()
  if(NOT arg_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
    message(FATAL_ERROR "corvane_add_module(${name}): VERSION must be up to four numbers, as 1.2.3, not '${arg_VERSION}'")
  endif()

  add_library(${name} MODULE ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE Corvane::framework)
  set_target_properties(${name} PROPERTIES
    OUTPUT_NAME ${arg_OUTPUT_NAME}
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  # The export lives in the framework library; pull it in by name.
  if(MSVC)
    # Microsoft's compiler (cl.exe, or clang-cl): its own spellings. Warnings
    # are errors, C++ exceptions only (/EHsc), and the runtime linked in.
    # Checked here only in Microsoft mode by clang-cl, syntax only
    # (tests/check_msvc_syntax.sh): no cl.exe build is made or tested.
    target_compile_options(${name} PRIVATE /W4 /WX /EHsc)
    target_link_options(${name} PRIVATE /INCLUDE:MP_GetFactory)
    set_target_properties(${name} PROPERTIES MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  else()
    target_link_options(${name} PRIVATE -Wl,--undefined=MP_GetFactory)
  endif()

  if(WIN32)
    corvane_sanitizers(sanitizers)
    if(sanitizers)
      message(FATAL_ERROR "corvane_add_module(${name}): CORVANE_SANITIZE=${CORVANE_SANITIZE} needs a native build; MinGW has no sanitizer runtimes")
    endif()
    set_target_properties(${name} PROPERTIES PREFIX "")
    if(NOT MSVC)
      target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()

    # VERSIONINFO wants four numbers; missing ones are 0.
    string(REPLACE "." ";" numbers "${arg_VERSION}")
    list(APPEND numbers 0 0 0)
    list(SUBLIST numbers 0 4 numbers)
    string(REPLACE ";" "," CORVANE_RC_VERSION_NUMBERS "${numbers}")
    set(CORVANE_RC_VERSION "${arg_VERSION}")
    set(CORVANE_RC_PINS "${pins}")
    set(CORVANE_RC_FILE_NAME "${arg_OUTPUT_NAME}.dll")
    set(CORVANE_RC_INTERNAL_NAME "${arg_OUTPUT_NAME}")
    # Texts of a resource script: a quote is written twice.
    string(REPLACE "\"" "\"\"" CORVANE_RC_DESCRIPTION "${arg_DESCRIPTION}")
    string(REPLACE "\"" "\"\"" CORVANE_RC_PRODUCT_NAME "${arg_PRODUCT_NAME}")
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${name}.corvane.rc")
    configure_file("${here}/CorvaneModule.rc.in" "${rc}" @ONLY)
    # The resource compiler takes in the pin description; rebuild when it changes.
    set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${pins}")
    target_sources(${name} PRIVATE "${rc}" "${here}/corvane-module.def")
  else()
    # Only MP_GetFactory and the timer entry leave the library; the runtime's
    # symbols stay inside. The timer entry is pulled in even for a module
    # that sets no timer, so every native module answers a host the same way.
    target_link_options(${name} PRIVATE -Wl,--undefined=CorvaneFireDueTimers)
    set(map "${here}/corvane-module.map")
    target_link_options(${name} PRIVATE "-Wl,--version-script=${map}")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS "${map}")
    if(NOT CORVANE_FUZZ)
      # Under clang's sanitizers the runtime lives in the executable, so the
      # library's references to it stay open until it is loaded.
      target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
    corvane_sanitizers(sanitizers)
    if(sanitizers)
      # A report stops the module at once (the harness counts it as a crash);
      # the runtime comes as a library the module needs, which corvane-host preloads.
      string(REPLACE ";" "," flag "${sanitizers}")
      target_compile_options(${name} PRIVATE -fsanitize=${flag} -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
      target_link_options(${name} PRIVATE -fsanitize=${flag})
      if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_link_options(${name} PRIVATE -shared-libsan)
      endif()
    endif()
    # The pin description travels beside the library: libNAME.so.pins.json.
    add_custom_command(TARGET ${name} POST_BUILD
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different "${pins}" "$<TARGET_FILE:${name}>.pins.json"
                       VERBATIM)
  endif()
endfunction()
