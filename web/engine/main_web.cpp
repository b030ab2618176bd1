// Entry point of the browser build: the worker starts it once the input ring
// is in place. The page's first line, uci, hands the run to UCI.
#include "shell/shell.h"
#include "uci/uci.h"

int main() {
    start_up();
    console_loop();
    if (uci_requested) uci_loop();
    shut_down();
    return 0;
}
