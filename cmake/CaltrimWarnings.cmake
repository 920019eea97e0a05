# caltrim_warnings: the warnings the project's own code builds with. Every target of ours links
# it (PRIVATE); nothing else gets these flags, and third-party headers, which come in through
# imported targets, stay system headers.
#
# Warnings are errors by default. A packager whose newer compiler warns about more turns that off
# with -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF (CMake's own switch, which then also stays off for
# every target).
if(DEFINED CMAKE_COMPILE_WARNING_AS_ERROR)
  set(CALTRIM_WARNINGS_AS_ERRORS ${CMAKE_COMPILE_WARNING_AS_ERROR})
else()
  set(CALTRIM_WARNINGS_AS_ERRORS ON)
endif()

add_library(caltrim_warnings INTERFACE)
target_compile_options(caltrim_warnings INTERFACE -Wall -Wextra)
if(CALTRIM_WARNINGS_AS_ERRORS)
  target_compile_options(caltrim_warnings INTERFACE -Werror)
endif()

# In a sanitizer build the instrumented code defeats GCC's flow analysis: -Wmaybe-uninitialized
# then fires inside the standard library (std::regex's states, for one). The plain build, which
# every change goes through too, keeps the warning.
if(CALTRIM_SANITIZE)
  target_compile_options(caltrim_warnings INTERFACE -Wno-maybe-uninitialized)
endif()
