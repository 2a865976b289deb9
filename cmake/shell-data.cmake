# Installed data of the shell: the help pages into help/ and the pictures into Images/ of the
# program folder, copied at build time from data/help and data/images.
file(GLOB SHELL_HELP_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/help/*.html
     ${CMAKE_SOURCE_DIR}/data/help/*.css ${CMAKE_SOURCE_DIR}/data/help/*.png)
file(GLOB SHELL_IMAGE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/images/*.jpg
     ${CMAKE_SOURCE_DIR}/data/images/*.GIF ${CMAKE_SOURCE_DIR}/data/images/*.png)

set(SHELL_DATA_OUTPUTS)
foreach(f ${SHELL_HELP_FILES})
  get_filename_component(name ${f} NAME)
  set(out ${ARBELIO_PROGRAM_DIR}/help/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ARBELIO_PROGRAM_DIR}/help
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${out}
    DEPENDS ${f} VERBATIM)
  list(APPEND SHELL_DATA_OUTPUTS ${out})
endforeach()
foreach(f ${SHELL_IMAGE_FILES})
  get_filename_component(name ${f} NAME)
  set(out ${ARBELIO_PROGRAM_DIR}/Images/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ARBELIO_PROGRAM_DIR}/Images
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${out}
    DEPENDS ${f} VERBATIM)
  list(APPEND SHELL_DATA_OUTPUTS ${out})
endforeach()
add_custom_target(shell_data ALL DEPENDS ${SHELL_DATA_OUTPUTS})
add_dependencies(arbelio_data shell_data)

# The pictures of data/images are drawn by a small Qt program; they are committed, and
# `cmake --build build --target imagenes` draws them again into data/images.
if(ARBELIO_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  add_executable(arbelio-generar-imagenes EXCLUDE_FROM_ALL
                 ${CMAKE_SOURCE_DIR}/data/images/generar_imagenes.cpp)
  target_link_libraries(arbelio-generar-imagenes PRIVATE Qt6::Gui)
  add_custom_target(imagenes
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:arbelio-generar-imagenes> ${CMAKE_SOURCE_DIR}/data/images
    DEPENDS arbelio-generar-imagenes VERBATIM)
endif()
