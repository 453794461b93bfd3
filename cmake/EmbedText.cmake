# embed_text(<file> <out-var>): generates a C++ source that holds the file's
# text as `extern const char k<Name>Text[]`, <Name> being the file's base name
# followed by its extension without the dot (Main.layout -> kMainLayoutText).
function(embed_text file out_var)
  get_filename_component(base ${file} NAME_WE)
  get_filename_component(ext ${file} EXT)
  string(SUBSTRING "${ext}" 1 -1 ext)
  string(SUBSTRING "${ext}" 0 1 first)
  string(TOUPPER "${first}" first)
  string(SUBSTRING "${ext}" 1 -1 rest)
  set(symbol "k${base}${first}${rest}Text")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded/${base}_${ext}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedTextRun.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/EmbedTextRun.cmake
    COMMENT "Embedding ${base}.${ext}")
  set(${out_var} ${out} PARENT_SCOPE)
endfunction()
