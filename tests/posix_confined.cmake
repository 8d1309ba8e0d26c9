# Fails when the program's source (src/, cli/, bench/, scripts/) uses a POSIX
# header or call outside src/platform/ and src/rfa/: everything else must
# build for Windows as it is.
file(GLOB_RECURSE sources RELATIVE "${ROOT}"
     "${ROOT}/src/*.cpp" "${ROOT}/src/*.h" "${ROOT}/cli/*.cpp" "${ROOT}/cli/*.h"
     "${ROOT}/bench/*.cpp" "${ROOT}/bench/*.h" "${ROOT}/scripts/*.cpp" "${ROOT}/scripts/*.h")
set(pattern "#include *<(unistd|fcntl|poll|signal|pwd|grp|dlfcn|termios)\\.h>|#include *<sys/|(^|[^A-Za-z0-9_.>])(fork|vfork|execl|execlp|execle|execv|execvp|execve|posix_spawn|prctl|flock|gmtime_r|localtime_r|pipe2?|waitpid|isatty|getpid|geteuid|getuid|setpgid|sigaction|kill)[ \t]*\\(|/proc/self")
set(found "")
foreach(file IN LISTS sources)
  if(file MATCHES "^src/(platform|rfa)/")
    continue()
  endif()
  file(STRINGS "${ROOT}/${file}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    string(REGEX REPLACE "//.*$" "" code "${line}")
    if(code MATCHES "${pattern}")
      string(APPEND found "\n  ${file}:${number}: ${line}")
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "POSIX headers or calls outside src/platform/ and src/rfa/ (move them behind src/platform/):${found}")
endif()
list(LENGTH sources count)
message(STATUS "${count} source files checked: POSIX stays in src/platform/ and src/rfa/")
