# kelvora_use_manifest(TARGET): links the program's application manifest into TARGET, so it
# runs as the program does (UTF-8 process code page, long paths, DPI awareness).
set(KELVORA_MANIFEST ${CMAKE_SOURCE_DIR}/app/Kelvora98.manifest)
set(KELVORA_MANIFEST_RC ${CMAKE_BINARY_DIR}/manifest/Manifest.rc)
file(WRITE ${KELVORA_MANIFEST_RC}.in
  "#include <windows.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${KELVORA_MANIFEST}\"\n")
configure_file(${KELVORA_MANIFEST_RC}.in ${KELVORA_MANIFEST_RC} COPYONLY)

function(kelvora_use_manifest target)
  target_sources(${target} PRIVATE ${KELVORA_MANIFEST_RC})
  # Source properties belong to a folder: set in the target's own, so an edited manifest
  # builds each user anew.
  set_source_files_properties(${KELVORA_MANIFEST_RC} TARGET_DIRECTORY ${target}
    PROPERTIES OBJECT_DEPENDS ${KELVORA_MANIFEST})
endfunction()
