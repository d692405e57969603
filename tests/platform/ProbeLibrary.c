/* A tiny library for the dynamic-library tests: one exported function. */
__attribute__((visibility("default"))) int vek_probe_answer(void) { return 42; }
