# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads). The Windows builds of
# Qt and ICU are named by TARVO_WINDOWS_PREFIXES (a list of folders), also as the package path.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR /usr/bin/${TOOLCHAIN_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${TOOLCHAIN_PREFIX}-ranlib CACHE FILEPATH "")

# Passed on to the try_compile projects that toolchain files run in.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARVO_WINDOWS_PREFIXES)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX} ${TARVO_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# A Qt module that the Windows build lacks must not be found as the Linux one.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's host tools (moc, rcc, uic) are the Linux ones of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
