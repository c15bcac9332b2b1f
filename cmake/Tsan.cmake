# ThreadSanitizer build (SALVIX_TSAN): every library and test program is built with -fsanitize=thread, for the
# run of the threaded tests (`make tsan-test`).
if(SALVIX_SANITIZE OR SALVIX_FUZZ)
  message(FATAL_ERROR "SALVIX_TSAN cannot be combined with SALVIX_SANITIZE or SALVIX_FUZZ")
endif()
add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
add_link_options(-fsanitize=thread)
