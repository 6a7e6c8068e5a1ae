# The Windows form of the library: KVRUpload.dll, an in-process COM server with its runtime
# linked in (no DLL beyond the system's) and the four exports under their undecorated names.
set_target_properties(KVRUpload PROPERTIES PREFIX "" IMPORT_PREFIX "")
target_sources(KVRUpload PRIVATE ${PROJECT_SOURCE_DIR}/src/platform/win32/KVRUpload.def)
target_link_options(KVRUpload PRIVATE -Wl,--enable-stdcall-fixup)

# The type library, generated from the dispatch tables: a small writer linked with every
# module prints the IDL (run under Wine), widl compiles it, and the DLL embeds it as its
# TYPELIB resource 1. A build may take the IDL from another build (KVR_IDL_FILE: the 32-bit
# build uses the 64-bit one's, having no 32-bit Wine to run its own writer).
set(KVR_IDL_FILE "" CACHE FILEPATH "IDL to compile instead of generating it")
find_program(KVR_WINE wine)
find_program(KVR_WIDL ${KVR_MINGW_TRIPLE}-widl)
set(KVR_WINE_INCLUDE /usr/include/wine/wine/windows)
set(KVR_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
set(idl ${PROJECT_BINARY_DIR}/typelib/KVRUpload.idl)
set(tlb ${PROJECT_BINARY_DIR}/typelib/KVRUpload.tlb)
if(KVR_IDL_FILE)
  set(idl ${KVR_IDL_FILE})
elseif(KVR_WINE)
  add_executable(kvr_idl_writer ${PROJECT_SOURCE_DIR}/src/platform/win32/idl/IdlWriter.cpp)
  kvr_link_whole(kvr_idl_writer ${KVR_ALL_MODULES})
  add_custom_command(
    OUTPUT ${idl}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/typelib
    COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/wine_output.sh ${PROJECT_BINARY_DIR}/wineprefix ${idl}
            $<TARGET_FILE:kvr_idl_writer>
    DEPENDS kvr_idl_writer
    COMMENT "Writing the IDL from the dispatch tables (under Wine)")
else()
  set(idl "")
endif()
if(idl AND KVR_WIDL AND EXISTS ${KVR_WINE_TLB_DIR}/stdole2.tlb)
  add_custom_command(
    OUTPUT ${tlb}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/typelib
    COMMAND ${KVR_WIDL} -I${KVR_WINE_INCLUDE} -L${KVR_WINE_TLB_DIR} -t -o ${tlb} ${idl}
    DEPENDS ${idl}
    COMMENT "Compiling the type library")
  file(WRITE ${PROJECT_BINARY_DIR}/typelib/KVRUpload.rc "1 TYPELIB \"KVRUpload.tlb\"\n")
  target_sources(KVRUpload PRIVATE ${PROJECT_BINARY_DIR}/typelib/KVRUpload.rc)
  set_source_files_properties(${PROJECT_BINARY_DIR}/typelib/KVRUpload.rc PROPERTIES
                              OBJECT_DEPENDS ${tlb})
else()
  message(WARNING "KVRUpload.dll without a type library: wine, ${KVR_MINGW_TRIPLE}-widl or "
                  "stdole2.tlb (libwine-dev, wine64) is missing")
endif()

# A test tool: trusts the test servers' certificate authority inside a Wine prefix.
add_executable(trust_ca ${PROJECT_SOURCE_DIR}/tests/windows/TrustCa.cpp)
target_link_libraries(trust_ca PRIVATE crypt32)
set_target_properties(trust_ca PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/src)

# The FTP window for a Windows user: rundll32 KVRUpload.dll,FtpWindow [HOST] [USER].
target_sources(KVRUpload PRIVATE ${PROJECT_SOURCE_DIR}/src/hosts/win32/FtpWindowEntry.cpp)
