# Writes the release zip from the staged (stripped) Tarvo.exe, the one every
# test ran. Reproducible: the file times in the zip are the commit's time,
# the order is fixed, and zip -X stores no owner or extra time fields.
# Run with: cmake -DSTAGE=<dir with Tarvo.exe> -DOUT=<dir> -DVERSION=<x.y.z.w>
#                 -DSOURCE=<source dir> -DNAME=<zip name without .zip> -P Package.cmake
foreach(var STAGE OUT VERSION SOURCE NAME)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "Package.cmake needs -D${var}=...")
  endif()
endforeach()
find_program(ZIP zip REQUIRED)
find_program(TOUCH touch REQUIRED)

# The time of the commit being packaged; without a repository, the one
# SOURCE_DATE_EPOCH gives, else a fixed one.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
execute_process(COMMAND git -C "${SOURCE}" log -1 --format=%ct
                OUTPUT_VARIABLE commitTime OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE gitResult ERROR_QUIET)
if(gitResult EQUAL 0 AND commitTime MATCHES "^[0-9]+$")
  set(epoch ${commitTime})
elseif(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 946684800)  # 2000-01-01
endif()

set(dir "${OUT}/${NAME}")
file(REMOVE_RECURSE "${dir}")
file(REMOVE "${OUT}/${NAME}.zip" "${OUT}/${NAME}.zip.sha256")
file(MAKE_DIRECTORY "${dir}")
file(COPY_FILE "${STAGE}/Tarvo.exe" "${dir}/Tarvo.exe")

# The end user's notes, with Windows line ends.
set(TARVO_VERSION ${VERSION})
configure_file("${CMAKE_CURRENT_LIST_DIR}/README.txt.in" "${dir}/README.txt.lf" @ONLY)
file(READ "${dir}/README.txt.lf" text)
file(REMOVE "${dir}/README.txt.lf")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${dir}/README.txt" "${text}")

set(sums "")
foreach(f Tarvo.exe README.txt)
  file(SHA256 "${dir}/${f}" hash)
  string(APPEND sums "${hash}  ${f}\n")
endforeach()
file(WRITE "${dir}/SHA256SUMS" "${sums}")

set(files Tarvo.exe README.txt SHA256SUMS)
foreach(f IN LISTS files)
  file(CHMOD "${dir}/${f}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  execute_process(COMMAND ${TOUCH} -d @${epoch} "${dir}/${f}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
list(TRANSFORM files PREPEND "${NAME}/")
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP} -X -D -q "${NAME}.zip" ${files}
                WORKING_DIRECTORY "${OUT}" COMMAND_ERROR_IS_FATAL ANY)
file(SHA256 "${OUT}/${NAME}.zip" hash)
file(WRITE "${OUT}/${NAME}.zip.sha256" "${hash}  ${NAME}.zip\n")
message(STATUS "${OUT}/${NAME}.zip")
message(STATUS "SHA-256 ${hash}")
