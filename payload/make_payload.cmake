# Packs payload.zip with Info-ZIP's zip from the entry list written by payload/CMakeLists.txt:
# one "name in the archive|source file" line per entry in archive order, a folder entry with no
# source file. With SIGN set (the path of scripts/sign), the staged executables and libraries
# are signed before they are packed.
#
# Every entry gets the same fixed time, stored as local time of a fixed zone, and no extra
# fields, so two builds give the same bytes whatever the machine's clock, zone and user ids.
set(ENV{TZ} UTC)
set(entry_time "2023-11-20 12:00:00")

file(STRINGS "${ENTRY_LIST}" entries)
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")

set(names)
foreach(entry IN LISTS entries)
  string(FIND "${entry}" "|" bar)
  string(SUBSTRING "${entry}" 0 ${bar} name)
  math(EXPR after "${bar} + 1")
  string(SUBSTRING "${entry}" ${after} -1 source)
  set(target "${STAGE}/${name}")
  if(source STREQUAL "")
    file(MAKE_DIRECTORY "${target}")
    file(CHMOD "${target}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  elseif(name MATCHES "\\.(txt|htm|lng)$")
    # Text travels with Windows line ends: the viewer's users open these files in Notepad.
    file(READ "${source}" content)
    if(content MATCHES "\r")
      message(FATAL_ERROR "${source} must be kept with LF line ends")
    endif()
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE "${target}" "${content}")
  else()
    file(COPY_FILE "${source}" "${target}")
  endif()
  if(NOT source STREQUAL "")
    file(CHMOD "${target}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
  list(APPEND names "${name}")
endforeach()

if(SIGN)
  foreach(name IN LISTS names)
    if(name MATCHES "\\.(exe|dll)$")
      execute_process(COMMAND "${SIGN}" "${STAGE}/${name}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()
endif()

execute_process(COMMAND touch -d "${entry_time}" ${names} WORKING_DIRECTORY "${STAGE}"
                COMMAND_ERROR_IS_FATAL ANY)

# zip stores an entry uncompressed when deflating does not make it smaller, but only when it can
# seek back in its output to rewrite the entry's header. Writing into a pipe keeps every entry
# deflated; the reader gets the sizes from the central directory and the data descriptors.
execute_process(COMMAND "${ZIP}" -X -9 -q - ${names}
                COMMAND cat
                WORKING_DIRECTORY "${STAGE}"
                OUTPUT_FILE "${OUTPUT}.partial"
                RESULTS_VARIABLE results)
foreach(result IN LISTS results)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "zip failed (${results})")
  endif()
endforeach()

file(RENAME "${OUTPUT}.partial" "${OUTPUT}")
