// gyre: the console and xboard shell; the line "uci" hands the run to the
// UCI front end. The one argument, bench, runs the search bench instead.
#include <cstdio>
#include <cstring>

#include "shell/shell.h"
#include "uci/uci.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "bench") == 0) {
        init_engine();
        return run_bench();
    }
    if (argc > 1) {
        std::fprintf(stderr, "usage: gyre [bench]\n");
        return 2;
    }
    start_up();
    console_loop();
    if (uci_requested) uci_loop();
    shut_down();
    return 0;
}
