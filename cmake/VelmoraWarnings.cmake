# Warnings are errors everywhere in the project's own code.
add_library(velmora_warnings INTERFACE)
target_compile_options(velmora_warnings INTERFACE -Wall -Wextra -Werror)
