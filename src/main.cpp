#include "shell/shell.h"

int main() { return engine_main(); }
