# Text and bytes convert only where the code says which encoding it means;
# nothing deprecated in the Qt release the program is built against.
set(KELPO_TEXT_CAST_GUARDS QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY)
add_compile_definitions(${KELPO_TEXT_CAST_GUARDS} QT_DISABLE_DEPRECATED_UP_TO=0x060400)

# Lifts the conversion guards (not the deprecation limit) for the calling
# folder: tests and benchmarks build their fixtures from plain string literals.
function(kelpo_allow_plain_literals)
  get_directory_property(defs COMPILE_DEFINITIONS)
  list(REMOVE_ITEM defs ${KELPO_TEXT_CAST_GUARDS})
  set_directory_properties(PROPERTIES COMPILE_DEFINITIONS "${defs}")
endfunction()
