// A shared module for the dynamic library tests to load, with one exported function.
extern "C" __attribute__((visibility("default"))) int ovrTestAnswer() { return 42; }
