# Warnings, sanitizers and the static Windows runtime, applied to every target of the project.
if(MSVC)
  add_compile_options(/W4 /utf-8 /permissive-)
  add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
else()
  add_compile_options(-Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
  # GCC 12 reports impossible overlaps inside std::basic_string copies (a known false positive).
  add_compile_options($<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endif()

if(WIN32 AND NOT MSVC)
  add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
  # One self-contained executable: no libstdc++/libgcc/winpthread DLLs to ship beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(UPDATER_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
