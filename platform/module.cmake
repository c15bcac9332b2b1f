# Our own small layer for the services Linux lacks (namespace plat): the bottom of every module.
salvix_module(salvix_platform platform DEPS salvix_bytes ${CMAKE_DL_LIBS})
