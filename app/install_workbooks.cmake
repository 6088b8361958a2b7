# Copies each prepared workbook into TARGET_DIR unless one is there already.
file(GLOB workbooks "${SOURCE_DIR}/*.xls")
foreach(workbook IN LISTS workbooks)
  get_filename_component(name "${workbook}" NAME)
  if(NOT EXISTS "${TARGET_DIR}/${name}")
    file(COPY "${workbook}" DESTINATION "${TARGET_DIR}")
    message(STATUS "Installed workbook ${name}")
  endif()
endforeach()
