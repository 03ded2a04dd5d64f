# Writes a text for Windows users: UTF-8 with a byte-order mark and CR LF line
# ends, so that Notepad shows it rightly whatever the system's code page.
#
#   cmake -DOUTPUT=FILE -DINPUTS=A;B;... [-DHEADINGS=TITLE;... -DORIGINS=TEXT;...] [-DPREAMBLE=FILE]
#         -P windows_text.cmake
#
# The inputs are joined in order; with HEADINGS each input is preceded by its
# title and a line on where it comes from (ORIGINS), set off by rules.
# PREAMBLE, if given, comes first without a heading.
if(NOT OUTPUT OR NOT INPUTS)
  message(FATAL_ERROR "windows_text: OUTPUT and INPUTS are required")
endif()

set(text "")
if(PREAMBLE)
  file(READ "${PREAMBLE}" text)
endif()
set(rule "================================================================================")
set(index 0)
foreach(input IN LISTS INPUTS)
  file(READ "${input}" part)
  if(HEADINGS)
    list(GET HEADINGS ${index} heading)
    list(GET ORIGINS ${index} origin)
    string(APPEND text "\n${rule}\n${heading}\n(${origin})\n${rule}\n\n")
  endif()
  string(APPEND text "${part}")
  math(EXPR index "${index} + 1")
endforeach()

string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE "${OUTPUT}" "${byte_order_mark}${text}")
