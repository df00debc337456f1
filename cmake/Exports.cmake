# The engines export their entry points under undecorated names. On 32-bit Windows the
# __stdcall functions are decorated (Name@4) and the .def file maps each name onto its
# decorated symbol; 64-bit Windows has one calling convention and no decoration, so there
# the mapping is dropped.

# The decorated form of a __stdcall export for this target: "Name=Name@N" or "Name".
function(kelvora_stdcall_export out name bytes)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(${out} "${name}" PARENT_SCOPE)
  else()
    set(${out} "${name}=${name}@${bytes}" PARENT_SCOPE)
  endif()
endfunction()

# Copies a .def file into the build folder, fitted to this target; `out` names the copy.
function(kelvora_def_file out source)
  file(READ ${source} text)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    string(REGEX REPLACE "[ \t]*=[ \t]*[A-Za-z_][A-Za-z0-9_]*@[0-9]+" "" text "${text}")
  endif()
  get_filename_component(name ${source} NAME)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/${name})
  file(WRITE ${copy} "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  set(${out} ${copy} PARENT_SCOPE)
endfunction()
