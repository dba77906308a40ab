# Test properties for tests that open an OpenGL context, included by the test folders.
#
# Sets gl_test_environment_properties, a list of property names and values to append to
# set_tests_properties or gtest_discover_tests PROPERTIES. In a plain build: leak detection off
# (a no-op there). In a sanitizer build: LeakSanitizer on, with Mesa's software driver kept loaded
# for the whole process (LD_PRELOAD); otherwise the driver is unloaded before the leak check,
# which then crashes or reports the driver's own allocations without frames. scripts/lsan.supp
# suppresses what the driver keeps for the process's lifetime. With g++ the sanitizer runtime is a
# shared library that must come first in the preload list. The two variables go in two properties
# (ENVIRONMENT, ENVIRONMENT_MODIFICATION), each a single value, because gtest_discover_tests does
# not keep a list inside one property value together.
# Never add fast_unwind_on_malloc=0: it deadlocks inside the driver's code generator.

set(gl_test_environment_properties ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
if(VIEWER_SANITIZE)
    find_file(VIEWER_SWRAST_DRI swrast_dri.so
        PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib64/dri /usr/lib/dri
        NO_DEFAULT_PATH)
    set(preload "")
    set(runtime_found TRUE)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
            OUTPUT_VARIABLE libasan OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(IS_ABSOLUTE "${libasan}" AND EXISTS "${libasan}")
            set(preload "${libasan}:")
        else()
            set(runtime_found FALSE)
        endif()
    endif()
    if(VIEWER_SWRAST_DRI AND runtime_found)
        set(gl_test_environment_properties
            ENVIRONMENT "LD_PRELOAD=${preload}${VIEWER_SWRAST_DRI}"
            ENVIRONMENT_MODIFICATION
            "LSAN_OPTIONS=set:suppressions=${PROJECT_SOURCE_DIR}/scripts/lsan.supp")
    else()
        message(WARNING "Mesa's swrast_dri.so or the sanitizer runtime was not found: "
                        "GL tests run without leak detection")
    endif()
endif()
