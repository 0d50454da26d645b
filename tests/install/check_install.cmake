# cmake -P script: install the build into a fresh prefix, then build and run the README's C
# example against the installed copy only. Fails with a message naming the step that broke.
function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${step} failed (${status}):\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(example ${CMAKE_CURRENT_LIST_DIR}/../api/readme_example.c)
file(REMOVE_RECURSE ${WORK_DIR})
run("installing" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
file(GLOB_RECURSE pc_file ${prefix}/zav.pc)
get_filename_component(lib_dir ${pc_file}/../.. ABSOLUTE)

# The installed program finds the installed library by itself.
if(EXISTS ${prefix}/bin/zav)
  run("the installed zav program" ${prefix}/bin/zav info)
endif()

run("configuring with find_package" ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/consumer
  -B ${WORK_DIR}/cmake-consumer -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${C_COMPILER}
  -DZAV_VERSION=${VERSION} -DEXAMPLE=${example})
run("building with find_package" ${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-consumer)
run("the example built with find_package" ${WORK_DIR}/cmake-consumer/readme_example)

# Given the file itself, pkg-config finds no other copy of zav.
run("pkg-config" ${PKG_CONFIG} --cflags --libs ${pc_file})
separate_arguments(flags UNIX_COMMAND "${output}")
run("building with pkg-config" ${C_COMPILER} ${example} -o ${WORK_DIR}/pkg-config-example ${flags})
run("the example built with pkg-config" ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${lib_dir}
  ${WORK_DIR}/pkg-config-example)

# The installed Python package finds the installed library on the library path.
if(PYTHON)
  file(GLOB_RECURSE marker ${prefix}/py.typed)
  get_filename_component(python_dir ${marker}/../.. ABSOLUTE)
  run("the installed Python package" ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${lib_dir}
    PYTHONPATH=${python_dir} ZAV_LIBRARY= ${PYTHON} -c
    "import zav; assert zav.__version__ == '${VERSION}', zav.__version__")
endif()
