# lorvane_layer(<folder> [DEPS <layer or library>...])
#
# Builds every .cpp and .h under <folder> (except app/main.cpp) into the
# static library lorvane_<folder>, linking DEPS publicly. Each layer gets the
# include root ${CMAKE_BINARY_DIR}/layers/<folder>/ holding one link to its
# own folder; the roots of the layers it links reach it through their
# interface, so its code sees exactly "<own folder>/..." and the folders of the
# layers below it.
function(lorvane_layer folder)
  cmake_parse_arguments(LAYER "" "" "DEPS" ${ARGN})
  set(src_dir ${CMAKE_SOURCE_DIR}/${folder})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${src_dir}/*.cpp ${src_dir}/*.h)
  list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/app/main.cpp)

  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${src_dir} ${root}/${folder} SYMBOLIC)

  set(target lorvane_${folder})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${LAYER_DEPS})
endfunction()
