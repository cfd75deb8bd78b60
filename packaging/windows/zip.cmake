# cmake -DZIP=zip -DOUTPUT=X.zip -DSTAGE=DIR -DTIME=DATE -DFILES="A;B;C" -P zip.cmake
# Zips the FILES, in that order and without folders, into OUTPUT so that the
# same files give the same bytes: each read-only for all and dated TIME (a
# date GNU touch reads) in UTC, and without the extra fields for Unix owners
# and times (zip -X).
foreach(variable ZIP OUTPUT STAGE TIME FILES)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "zip.cmake: ${variable} is not set")
  endif()
endforeach()
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
set(names "")
foreach(source IN LISTS FILES)
  get_filename_component(name "${source}" NAME)
  file(COPY "${source}" DESTINATION "${STAGE}"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  list(APPEND names "${name}")
endforeach()
execute_process(COMMAND touch -d "${TIME}" ${names} WORKING_DIRECTORY "${STAGE}" COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE "${OUTPUT}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC "${ZIP}" -X -9 -q "${OUTPUT}" ${names}
  WORKING_DIRECTORY "${STAGE}" COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE "${STAGE}")
