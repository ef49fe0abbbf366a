/* A small shared object that the library tests load under a Windows name. */
int TestAdd(int a, int b) { return a + b; }

const char* TestName(void) { return "brackenford test library"; }
