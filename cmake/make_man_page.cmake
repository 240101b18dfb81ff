# Writes the manual page lumatrix(1) from the program's own --help texts, so that it says what
# the build does:  cmake -DLUMATRIX=path/to/lumatrix -DVERSION=x.y.z -DOUT=lumatrix.1 -P this
# Each command's --help becomes a section, kept as preformatted text.

function(help_of out)
  execute_process(COMMAND ${LUMATRIX} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lumatrix ${ARGN} --help failed (${status})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text for roff: backslashes doubled, a line starting with a dot or an apostrophe guarded.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(overview)
# The command names: the indented lines after "Commands:".
string(REGEX MATCH "Commands:\n(  [^\n]*\n)+" block "${overview}")
string(REGEX MATCHALL "\n  [a-z]+" names "${block}")

string(TIMESTAMP today "%Y-%m-%d" UTC)
roff_text(body "${overview}")
string(CONCAT page ".TH LUMATRIX 1 \"${today}\" \"lumatrix ${VERSION}\" \"User Commands\"\n"
                   ".SH NAME\nlumatrix \\- batch image processing from the command line\n"
                   ".SH SYNOPSIS\n.B lumatrix\n\\fICOMMAND\\fR [\\fIOPTIONS\\fR]...\n"
                   ".SH DESCRIPTION\n.nf\n${body}.fi\n.SH COMMANDS\n")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  help_of(text ${name})
  roff_text(text "${text}")
  string(APPEND page ".SS ${name}\n.nf\n${text}.fi\n")
endforeach()
string(APPEND page ".SH SEE ALSO\n"
                   "\\&'lumatrix settings \\-\\-list' lists every job setting with its accepted values.\n")
file(WRITE "${OUT}" "${page}")
