# OpenImageIO, the host's image library. Debian's package config lists
# OpenCV's header folder among OpenImageIO's own even where OpenCV is not
# installed; nothing here uses OpenCV, so that folder is dropped.
if(NOT TARGET OpenImageIO::OpenImageIO)
  find_package(OpenImageIO CONFIG REQUIRED)
  foreach(target OpenImageIO::OpenImageIO OpenImageIO::OpenImageIO_Util)
    get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
    if(dirs)
      list(FILTER dirs EXCLUDE REGEX "opencv")
      set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${dirs}")
    endif()
  endforeach()
endif()
