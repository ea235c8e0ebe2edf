# trk_ship(TARGET): TARGET is one of the shipped files. Its debug information
# moves into "<file>.debug" beside it in the build tree, and the file keeps
# only a debug link to that (name and checksum), so a crash address still
# turns into a source line with addr2line or gdb while the file itself, as
# built and as `cmake --install` lays it out, stays small: Explorer maps the
# whole library into every process that shows a context menu. Then the file
# is signed (TrkSigning.cmake): a signature covers the stripped bytes, and
# stripping again would break it.
function(trk_ship target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
            $<TARGET_FILE_NAME:${target}>
    COMMAND ${TRK_SIGN_COMMAND} $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
  # A new certificate signs the file again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TRK_SIGN_CERTIFICATE})
  install(TARGETS ${target} RUNTIME DESTINATION . LIBRARY DESTINATION . ARCHIVE EXCLUDE_FROM_ALL)
endfunction()
