# The zip a Windows user unpacks: orvex-VERSION-windows-x64.zip holding one folder with the
# programs, data/, textures/ and README.txt. `cmake --build build-windows --target windows_zip`.
set(ORVEX_ZIP_NAME orvex-${PROJECT_VERSION}-windows-x64)
set(ORVEX_ZIP_STAGE ${CMAKE_BINARY_DIR}/zip/${ORVEX_ZIP_NAME})
set(ORVEX_ZIP_PROGRAMS orvex)
foreach(program orvex-sim orvex-panel orvex-navdata)
  if(TARGET ${program})
    list(APPEND ORVEX_ZIP_PROGRAMS ${program})
  endif()
endforeach()
set(ORVEX_ZIP_COPY)
foreach(program ${ORVEX_ZIP_PROGRAMS})
  list(APPEND ORVEX_ZIP_COPY COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> ${ORVEX_ZIP_STAGE}/)
endforeach()
add_custom_target(windows_zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ORVEX_ZIP_STAGE} ${CMAKE_BINARY_DIR}/${ORVEX_ZIP_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVEX_ZIP_STAGE}
  ${ORVEX_ZIP_COPY}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data ${ORVEX_ZIP_STAGE}/data
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/textures ${ORVEX_ZIP_STAGE}/textures
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/windows/README.txt ${ORVEX_ZIP_STAGE}/README.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/fonts/LICENSE-Roboto.txt ${ORVEX_ZIP_STAGE}/LICENSE-fonts.txt
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/zip
          ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${ORVEX_ZIP_NAME}.zip --format=zip ${ORVEX_ZIP_NAME}
  DEPENDS ${ORVEX_ZIP_PROGRAMS}
  COMMENT "Packing ${ORVEX_ZIP_NAME}.zip"
  VERBATIM)
