# How this project makes its targets. Every source is listed by hand in its folder's
# CMakeLists.txt, one a line, sorted; a new file is one more line in the right list.
#
# Code includes headers by their path from the repository root ("devices/Device.h"), but a
# target finds only the headers of its own folder and of the targets it links: each target
# gets an include folder of its own in the build tree holding a link per listed header, e.g.
#   <build>/include/serialterm_devices/devices/Device.h -> <source>/devices/Device.h
# so devices/ cannot reach "app/MyDocument.h", and toolkit/ does not expose toolkit/qt/.

# serialterm_expose_headers(<target> PUBLIC|PRIVATE|INTERFACE <file>...)
# Makes the headers among <file>... (paths relative to the current source folder) includable
# as "<folder>/<file>", <folder> being the current source folder's path from the root.
# The target keeps <folder> in its SERIALTERM_FOLDER property and the headers, as paths from
# the root, in SERIALTERM_HEADERS.
function(serialterm_expose_headers target scope)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  # Start afresh so that a header taken off the list can no longer be included.
  file(REMOVE_RECURSE ${root})
  set(headers)
  foreach(file IN LISTS ARGN)
    if(NOT file MATCHES "\\.h$")
      continue()
    endif()
    get_filename_component(link_folder ${root}/${folder}/${file} DIRECTORY)
    file(MAKE_DIRECTORY ${link_folder})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${file} ${root}/${folder}/${file} SYMBOLIC)
    list(APPEND headers ${folder}/${file})
  endforeach()
  target_include_directories(${target} ${scope} ${root})
  set_target_properties(${target} PROPERTIES SERIALTERM_FOLDER ${folder} SERIALTERM_HEADERS "${headers}")
endfunction()

# The part every target shares: the project's warning and sanitizer flags, its headers, what
# it links, and moc only for targets of Qt classes (qt_standard_project_setup turns it on).
function(_serialterm_set_up target scope qt sources libraries)
  target_link_libraries(${target} ${scope} serialterm_flags ${libraries})
  serialterm_expose_headers(${target} ${scope} ${sources})
  set_target_properties(${target} PROPERTIES AUTOMOC ${qt} AUTOUIC ${qt})
endfunction()

# serialterm_add_library(<name> [QT] SOURCES <file>... [LIBRARIES <target>...])
# A static library of the current folder. Whatever links it may include its headers and
# gets its LIBRARIES. QT: its classes use Qt (moc runs over them).
function(serialterm_add_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "QT" "" "SOURCES;LIBRARIES")
  add_library(${name} STATIC ${arg_SOURCES})
  _serialterm_set_up(${name} PUBLIC ${arg_QT} "${arg_SOURCES}" "${arg_LIBRARIES}")
endfunction()

# serialterm_add_program(<name> [QT] SOURCES <file>... [LIBRARIES <target>...])
# An executable that is not installed: a benchmark or a fuzz target.
function(serialterm_add_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "QT" "" "SOURCES;LIBRARIES")
  add_executable(${name} ${arg_SOURCES})
  _serialterm_set_up(${name} PRIVATE ${arg_QT} "${arg_SOURCES}" "${arg_LIBRARIES}")
endfunction()

# serialterm_add_test(NAME <name> SOURCES <file>... [LIBRARIES <target>...] [QT] [TIMEOUT <s>])
# A test program, test_<name>, that ctest runs. Without QT it is a GoogleTest program and
# each of its tests is a ctest test of its own. With QT it is a QtTest program, run whole as
# the test <name> on Qt's offscreen platform and stopped after TIMEOUT seconds (default 60).
function(serialterm_add_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "QT" "NAME;TIMEOUT" "SOURCES;LIBRARIES")
  set(program test_${arg_NAME})
  if(arg_QT)
    serialterm_add_program(${program} QT SOURCES ${arg_SOURCES} LIBRARIES ${arg_LIBRARIES} Qt6::Test)
    if(NOT arg_TIMEOUT)
      set(arg_TIMEOUT 60)
    endif()
    add_test(NAME ${arg_NAME} COMMAND ${program})
    # Windows keep message histories and macros in the user's data folder: a test's go to the build's.
    set_tests_properties(${arg_NAME} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_DATA_HOME=${PROJECT_BINARY_DIR}/test-data" TIMEOUT ${arg_TIMEOUT})
  else()
    serialterm_add_program(${program} SOURCES ${arg_SOURCES}
      LIBRARIES ${arg_LIBRARIES} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${program} DISCOVERY_TIMEOUT 30)
  endif()
endfunction()

# serialterm_check_hidden(<target> <hidden>...)
# Tests that the code of <target> cannot include what it must not depend on: for each library
# <hidden>, its first header; for `Qt`, <QObject>. Each is a ctest test that compiles a file of
# that one #include with <target>'s include path and passes when the compiler does not find it.
function(serialterm_check_hidden target)
  if(NOT TARGET ${target})
    return()  # not built in this configuration
  endif()
  get_target_property(folder ${target} SERIALTERM_FOLDER)
  foreach(hidden IN LISTS ARGN)
    if(hidden STREQUAL "Qt")
      set(header QObject)
      set(hidden_name Qt)
    elseif(TARGET ${hidden})
      get_target_property(header ${hidden} SERIALTERM_HEADERS)
      list(GET header 0 header)
      get_target_property(hidden_name ${hidden} SERIALTERM_FOLDER)
    else()
      continue()  # not built in this configuration
    endif()
    set(probe ${CMAKE_CURRENT_BINARY_DIR}/hidden/${target}-${hidden}.cpp)
    file(WRITE ${probe} "#include \"${header}\"\n")
    set(test "${folder} cannot include ${hidden_name}")
    add_test(NAME ${test}
      COMMAND ${CMAKE_CXX_COMPILER} -fsyntax-only
              "-I$<JOIN:$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>,;-I>" ${probe}
      COMMAND_EXPAND_LISTS)
    # GCC says "app/MyDocument.h: No such file or directory", Clang "'app/MyDocument.h' file
    # not found"; any other outcome, a clean compile above all, fails the test.
    string(REPLACE "." "\\." pattern ${header})
    set_tests_properties(${test} PROPERTIES
      PASS_REGULAR_EXPRESSION "${pattern}'?(: No such file| file not found)")
  endforeach()
endfunction()
