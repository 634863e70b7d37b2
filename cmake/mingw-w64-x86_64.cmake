# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           ${TOOLCHAIN_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       ${TOOLCHAIN_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

# The cross-built libjpeg-turbo and GoogleTest live under $OMBRIX_DEPS/mingw
# (scripts/env.sh sets OMBRIX_DEPS, scripts/bootstrap fills it). Once
# configured, the cache keeps the folder, so rebuilds need no environment.
if(NOT OMBRIX_DEPS_PREFIX)
    if("$ENV{OMBRIX_DEPS}" STREQUAL "")
        message(FATAL_ERROR "The dependency folder is not set. Build through scripts/build (its "
                "scripts/env.sh sets OMBRIX_DEPS), or set OMBRIX_DEPS to the folder scripts/bootstrap "
                "fills (/opt/ombrix-deps by default), or pass -DOMBRIX_DEPS_PREFIX=<that folder>/mingw.")
    endif()
    set(OMBRIX_DEPS_PREFIX "$ENV{OMBRIX_DEPS}/mingw" CACHE PATH "Cross-built dependencies")
endif()
# The compiler checks read this file again in projects of their own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OMBRIX_DEPS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX} ${OMBRIX_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
