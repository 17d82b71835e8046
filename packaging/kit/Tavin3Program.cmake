# tavin3_add_program(<name>
#     FORM <form class> <form description> [<form class> <form description> ...]
#     SOURCES <source>...
#     [COMPONENTS <unit>...]
#     [ICON <file.ico>]
#     [MAIN <source> WINDOW_LIBRARY <library>])
#
# Builds the program <name> from its sources and the form descriptions of its form classes. Each
# description is compiled in under its class's name in capitals (TMainForm: "TMAINFORM"), which
# the form's constructor reads with InitForm or LoadResourceText. The program links the toolkit
# and the component units its forms place (COMPONENTS ftp verticallabel: Tavin3::ftp,
# Tavin3::verticallabel), kept even when no code names them, since the form reader creates their
# classes by name. ICON is the windows' icon (a Windows .ico file, compiled in as MAINICON).
# With WINDOW_LIBRARY, everything but MAIN (the file with main) goes into a shared library of
# that name, which tests can link to build the windows.
function(tavin3_add_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "MAIN;ICON;WINDOW_LIBRARY" "FORM;SOURCES;COMPONENTS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tavin3_add_program(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  list(LENGTH arg_FORM form_words)
  math(EXPR odd "${form_words} % 2")
  if(form_words EQUAL 0 OR odd)
    message(FATAL_ERROR "tavin3_add_program(${name}): FORM takes pairs of a form class and its form description")
  endif()
  if(arg_WINDOW_LIBRARY AND NOT arg_MAIN)
    message(FATAL_ERROR "tavin3_add_program(${name}): WINDOW_LIBRARY needs MAIN, the source that stays in the program")
  endif()

  # The resource list: the descriptions stored as they are, readable in the binary.
  set(entries "")
  math(EXPR last "${form_words} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET arg_FORM ${i} form_class)
    list(GET arg_FORM ${j} description)
    get_filename_component(description ${description} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT EXISTS ${description})
      message(FATAL_ERROR "tavin3_add_program(${name}): no form description ${description}")
    endif()
    string(TOUPPER ${form_class} resource)
    string(APPEND entries "    <file alias=\"${resource}\" compression-algorithm=\"none\">${description}</file>\n")
  endforeach()
  set(icon "")
  if(arg_ICON)
    get_filename_component(arg_ICON ${arg_ICON} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    set(icon "  <qresource prefix=\"/icons\">\n    <file alias=\"MAINICON\">${arg_ICON}</file>\n  </qresource>\n")
  endif()
  set(qrc ${CMAKE_CURRENT_BINARY_DIR}/${name}_forms.qrc)
  file(CONFIGURE OUTPUT ${qrc} @ONLY CONTENT
    "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/forms\">\n@entries@  </qresource>\n@icon@</RCC>\n")

  list(TRANSFORM arg_COMPONENTS PREPEND Tavin3::)
  if(arg_WINDOW_LIBRARY)
    add_library(${arg_WINDOW_LIBRARY} SHARED ${arg_SOURCES} ${qrc})
    target_link_libraries(${arg_WINDOW_LIBRARY} PUBLIC Tavin3::toolkit ${arg_COMPONENTS})
    add_executable(${name} ${arg_MAIN})
    target_link_libraries(${name} PRIVATE ${arg_WINDOW_LIBRARY})
    set(window ${arg_WINDOW_LIBRARY})
  else()
    add_executable(${name} ${arg_MAIN} ${arg_SOURCES} ${qrc})
    target_link_libraries(${name} PRIVATE Tavin3::toolkit ${arg_COMPONENTS})
    set(window ${name})
  endif()
  set_target_properties(${window} PROPERTIES AUTORCC ON)
  target_link_options(${name} PRIVATE "LINKER:--no-as-needed")
  if(arg_WINDOW_LIBRARY)
    target_link_options(${arg_WINDOW_LIBRARY} PRIVATE "LINKER:--no-as-needed")
  endif()
endfunction()
