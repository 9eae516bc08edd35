/* A library of no use: the DLL search test plants it where only an unsafe search looks. */
__declspec(dllexport) int Planted(void) { return 42; }
