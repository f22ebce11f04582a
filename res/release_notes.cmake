# Turns the UTF-8 release notes (res/release_notes.txt, kept with LF line ends) into the
# resource's form: UTF-16LE with a byte-order mark and CR LF line ends.
#   cmake -DINPUT=release_notes.txt -DOUTPUT=release_notes.utf16 -P release_notes.cmake
file(READ "${INPUT}" text)
if(text MATCHES "\r")
  message(FATAL_ERROR "${INPUT} must be kept with LF line ends")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
# U+FEFF, written in UTF-8 here and carried over by the conversion below.
string(ASCII 239 187 191 byte_order_mark)
file(WRITE "${OUTPUT}.utf8" "${byte_order_mark}${text}")
execute_process(COMMAND iconv -f UTF-8 -t UTF-16LE "${OUTPUT}.utf8"
                OUTPUT_FILE "${OUTPUT}.partial" COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE "${OUTPUT}.utf8")
file(RENAME "${OUTPUT}.partial" "${OUTPUT}")
