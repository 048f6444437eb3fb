WIN32_SRCS += detect/signature_detector.cpp detect/mail_detector.cpp
