include(GoogleTest)

# Real sample stores written by the mail client live beside the project, not in it; a clone
# without them still tests (those tests skip). ORVEX_MUESTRAS in the environment at configure
# time wins over the cached value.
cmake_path(SET orvex_muestras_defecto NORMALIZE "${PROJECT_SOURCE_DIR}/../shared/muestras")
set(ORVEX_MUESTRAS "${orvex_muestras_defecto}" CACHE PATH "Folder of real sample stores")
if(DEFINED ENV{ORVEX_MUESTRAS})
  set(ORVEX_MUESTRAS "$ENV{ORVEX_MUESTRAS}" CACHE PATH "Folder of real sample stores" FORCE)
endif()
# Test properties for every GoogleTest case. Each property carries one value: a list in
# ENVIRONMENT would be split by gtest_discover_tests, so the second variable goes through
# ENVIRONMENT_MODIFICATION.
if(IS_DIRECTORY "${ORVEX_MUESTRAS}")
  set(ORVEX_PROPIEDADES_PRUEBAS
    ENVIRONMENT "ORVEX_MUESTRAS=${ORVEX_MUESTRAS}"
    ENVIRONMENT_MODIFICATION "ORVEX_FUENTES=set:${PROJECT_SOURCE_DIR}")
else()
  message(STATUS "No sample stores at ${ORVEX_MUESTRAS}: the tests that read them will skip")
  set(ORVEX_PROPIEDADES_PRUEBAS
    ENVIRONMENT "ORVEX_FUENTES=${PROJECT_SOURCE_DIR}"
    ENVIRONMENT_MODIFICATION "ORVEX_MUESTRAS=unset:")
endif()

# Long golden tables (pruebas/datos/*.txt) go into the test programs as string literals:
# pruebas/datos/<name>.inc in the build folder, rewritten only when the table changes.
file(GLOB orvex_tablas CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/pruebas/datos/*.txt)
foreach(tabla ${orvex_tablas})
  get_filename_component(nombre ${tabla} NAME_WE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tabla})
  file(READ ${tabla} contenido)
  set(inc ${CMAKE_BINARY_DIR}/pruebas/datos/${nombre}.inc)
  set(texto "R\"orvex_tabla(${contenido})orvex_tabla\"\n")
  set(anterior "")
  if(EXISTS ${inc})
    file(READ ${inc} anterior)
  endif()
  if(NOT texto STREQUAL anterior)
    file(WRITE ${inc} "${texto}")
  endif()
endforeach()

if(ORVEX_GTEST_FUENTES OR CMAKE_CROSSCOMPILING)
  # Cross builds (-m32) cannot link the distribution's 64-bit libgtest: build it from source.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(ORVEX_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(NOT EXISTS "${ORVEX_GTEST_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found at ${ORVEX_GTEST_DIR} (Debian: libgtest-dev)")
  endif()
  add_subdirectory(${ORVEX_GTEST_DIR} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)
  # Our -Werror is for our code, not for a third party's warnings under another compiler.
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE -w)
    endif()
  endforeach()
  add_library(orvex_gtest_main INTERFACE)
  target_link_libraries(orvex_gtest_main INTERFACE gtest gtest_main)
  add_library(orvex_gmock INTERFACE)
  target_link_libraries(orvex_gmock INTERFACE gmock)
else()
  find_package(GTest REQUIRED)
  add_library(orvex_gtest_main INTERFACE)
  target_link_libraries(orvex_gtest_main INTERFACE GTest::gtest GTest::gtest_main)
  add_library(orvex_gmock INTERFACE)
  target_link_libraries(orvex_gmock INTERFACE GTest::gmock)
endif()
