# Compiler flags shared by every target of the tree.
add_compile_options(-Wall -Wextra)
if(ZH_WERROR)
  add_compile_options(-Werror)
endif()

if(ZH_SANITIZE AND ZH_TSAN)
  message(FATAL_ERROR "ZH_SANITIZE and ZH_TSAN exclude each other")
endif()

if(ZH_SANITIZE)
  set(_zh_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_zh_san} -O1)
  add_link_options(${_zh_san})
endif()

if(ZH_TSAN)
  set(_zh_san -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${_zh_san} -O1)
  add_link_options(${_zh_san})
endif()
