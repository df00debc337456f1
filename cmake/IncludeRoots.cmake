# Every library sees only the folders it may include. Includes are spelled from the source
# root ("engine/ZipKeep.h", "base/zipcore/ZipFormat.h"), but no target gets the source root:
# each library's include root is a folder of the build holding a link to its own source
# folder alone, so a header of a folder the target does not link to is not found at all.
#
# kelvora_include_root(TARGET FOLDER): TARGET's users find FOLDER's headers as "FOLDER/...".
function(kelvora_include_root target folder)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
  if(NOT IS_SYMLINK ${root}/${folder})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
