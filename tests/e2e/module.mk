NATIVE_TOOLS += tests/e2e/signature_rows.cpp
