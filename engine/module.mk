WIN32_SRCS += engine/engine_stub.cpp
