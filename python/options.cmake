# LCS_BUILD_PYTHON: the Python module `lcs` (python/). It is built for one
# interpreter, Python3_EXECUTABLE: by default Debian's /usr/bin/python3, the
# one that Debian's pybind11, numpy, pytest and Dask are installed for, since
# another python3 (pyenv, a virtual environment) may come first on PATH.
# The option is on by default where this is the top-level project, the build
# is not instrumented (an instrumented module does not load into a plain
# interpreter), and pybind11, the interpreter's headers, numpy and pytest are
# all found. Set on, it needs pybind11 and the headers only: numpy is wanted
# when the module is imported, pytest only by the tests.
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH
      "The Python interpreter that the module is built for")
endif()

set(LCS_INSTRUMENTED OFF)
if(LCS_SANITIZE OR LCS_SANITIZE_THREAD OR LCS_BUILD_FUZZERS)
  set(LCS_INSTRUMENTED ON)
endif()

set(LCS_PYTHON_FOUND OFF)
set(LCS_PYTHON_HAS_PYTEST OFF)
if((LCS_BUILD_PYTHON OR (NOT DEFINED LCS_BUILD_PYTHON AND PROJECT_IS_TOP_LEVEL))
   AND NOT LCS_INSTRUMENTED)
  find_package(Python3 QUIET COMPONENTS Interpreter Development.Module)
  if(Python3_FOUND)
    # With Python3 found first, pybind11 builds for that interpreter.
    find_package(pybind11 CONFIG QUIET)
  endif()
  if(Python3_FOUND AND pybind11_FOUND)
    set(LCS_PYTHON_FOUND ON)
    execute_process(COMMAND "${Python3_EXECUTABLE}" -c "import numpy, pytest"
                    RESULT_VARIABLE lcs_python_imports OUTPUT_QUIET ERROR_QUIET)
    if(lcs_python_imports EQUAL 0)
      set(LCS_PYTHON_HAS_PYTEST ON)
    endif()
  endif()
endif()

set(LCS_BUILD_PYTHON_DEFAULT OFF)
if(PROJECT_IS_TOP_LEVEL AND LCS_PYTHON_FOUND AND LCS_PYTHON_HAS_PYTEST)
  set(LCS_BUILD_PYTHON_DEFAULT ON)
endif()
option(LCS_BUILD_PYTHON "Build the Python module (needs pybind11 and the Python headers)"
       ${LCS_BUILD_PYTHON_DEFAULT})

if(LCS_BUILD_PYTHON AND LCS_INSTRUMENTED)
  message(FATAL_ERROR "LCS_BUILD_PYTHON does not go with the sanitizers or the fuzzers: "
                      "an instrumented module does not load into a plain interpreter")
endif()
if(LCS_BUILD_PYTHON AND NOT LCS_PYTHON_FOUND)
  message(FATAL_ERROR "LCS_BUILD_PYTHON needs pybind11 (Debian: pybind11-dev python3-pybind11) "
                      "and the headers of ${Python3_EXECUTABLE} (Debian: python3-dev)")
endif()
if(LCS_BUILD_PYTHON)
  message(STATUS "Python module: for ${Python3_EXECUTABLE} (${Python3_VERSION})")
elseif(PROJECT_IS_TOP_LEVEL AND NOT LCS_INSTRUMENTED)
  message(STATUS "Python module: off (LCS_BUILD_PYTHON; on by default where pybind11, "
                 "python3-dev, numpy and pytest are found for ${Python3_EXECUTABLE})")
endif()
