# orvex_biblioteca(NOMBRE fuentes... [ENLAZA libs...]): one static library per directory.
# Libraries may depend on each other in cycles (CMake repeats static archives on the link line).
function(orvex_biblioteca nombre)
  cmake_parse_arguments(A "" "" "ENLAZA" ${ARGN})
  add_library(${nombre} STATIC ${A_UNPARSED_ARGUMENTS})
  if(A_ENLAZA)
    target_link_libraries(${nombre} PUBLIC ${A_ENLAZA})
  endif()
endfunction()

# The test programs a Windows build makes and runs (under Wine): those whose tests do not
# need POSIX tools or files, and the Windows backend's own.
set(ORVEX_PRUEBAS_WINDOWS
  api_test soporte_test mime_test mensaje_test oe5_test oe4_test imn_test registro_archivo_test win32_test
  host_windows_test)

# orvex_prueba(NOMBRE fuentes... [ENLAZA libs...]): a GoogleTest program registered with CTest,
# one CTest test per GoogleTest case. Listing happens when CTest runs (PRE_TEST), so a cross
# build lists through its emulator and a program that fails to build fails only its own tests.
# Link orvex_gmock as well to use GoogleMock.
function(orvex_prueba nombre)
  if(NOT ORVEX_PRUEBAS)
    return()
  endif()
  if(WIN32 AND NOT nombre IN_LIST ORVEX_PRUEBAS_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(A "" "" "ENLAZA" ${ARGN})
  add_executable(${nombre} ${A_UNPARSED_ARGUMENTS})
  target_link_libraries(${nombre} PRIVATE ${A_ENLAZA} orvex_gtest_main)
  target_include_directories(${nombre} PRIVATE ${CMAKE_BINARY_DIR})  # the golden tables' .inc files
  gtest_discover_tests(${nombre}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES ${ORVEX_PROPIEDADES_PRUEBAS})
endfunction()
