# Writes a program's man page from its own --help and --version, so that the
# two cannot disagree. The usage lines become the synopsis, the rest of the help
# the description, both kept line for line.
#   cmake -DPROGRAM=<executable> -DNAME=<name> -DSUMMARY=<one line>
#         -DOUTPUT=<page.1> -P help_to_man.cmake

function(run_program option into)
    execute_process(COMMAND ${PROGRAM} ${option} OUTPUT_VARIABLE output RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} ${option} exited with ${status}")
    endif()
    set(${into} "${output}" PARENT_SCOPE)
endfunction()

# Text shown as it is: roff escapes, and no line taken for a request.
function(verbatim text into)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${into} "${text}" PARENT_SCOPE)
endfunction()

run_program(--help help)
run_program(--version version)
string(STRIP "${version}" version)
string(REGEX REPLACE "^[^ ]* " "" number "${version}")

# The synopsis: the first line and the lines indented by six or more spaces
# right after it; the description: everything after them.
string(REGEX REPLACE "^usage: " "" help "${help}")
string(REGEX MATCH "^[^\n]*\n(      [^\n]*\n)*" synopsis "${help}")
string(LENGTH "${synopsis}" length)
string(SUBSTRING "${help}" ${length} -1 description)
string(REGEX REPLACE "(^|\n) +" "\\1" synopsis "${synopsis}")
verbatim("${synopsis}" synopsis)
verbatim("${description}" description)
verbatim("${SUMMARY}" summary)
string(TOUPPER "${NAME}" title)
verbatim("${title}" title)
verbatim("${NAME}" name)

file(WRITE ${OUTPUT} ".TH ${title} 1 \"\" \"Velmora ${number}\" \"User Commands\"
.SH NAME
${name} \\- ${summary}
.SH SYNOPSIS
.nf
${synopsis}.fi
.SH DESCRIPTION
.nf
${description}.fi
.PP
Every program of Velmora takes
.B \\-\\-help,
which prints the text above, and
.B \\-\\-version,
which prints \"${version}\"; both on standard output, with status 0.
A usage error prints the usage on standard error with status 2;
input that cannot be used gives status 1.
")
