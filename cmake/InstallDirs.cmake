# Where an install puts the Python module (relative to the prefix): the system interpreter's
# site folder. Debian's own packages use lib/python3/dist-packages under /usr and
# lib/python3.X/dist-packages under /usr/local; elsewhere site-packages.
if(EXISTS /usr/lib/python3/dist-packages)
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(kvr_py_dir lib/python3/dist-packages)
  else()
    set(kvr_py_dir lib/python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}/dist-packages)
  endif()
else()
  set(kvr_py_dir lib/python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}/site-packages)
endif()
set(KVR_PYTHON_INSTALL_DIR ${kvr_py_dir} CACHE STRING "Python module folder, relative to the prefix")
set(KVR_LIB_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR} CACHE STRING "Library folder, relative to the prefix")

# The installed module and command find the library relative to themselves, wherever the
# prefix ends up.
file(RELATIVE_PATH kvr_rel /p/${KVR_PYTHON_INSTALL_DIR} /p/${KVR_LIB_INSTALL_DIR})
set(KVR_PYTHON_RPATH "$ORIGIN/${kvr_rel}")
