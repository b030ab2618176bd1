// Entry point of the browser build: the worker calls it once the input ring
// is in place.
#include "shell/shell.h"

int main() { return engine_main(); }
