// UCI front end: the protocol of most of today's interfaces, testers and
// bots, on the same engine core as the console and xboard shell.
#pragma once

#include "search/search.h"

// Speaks UCI on standard input and output until quit or the end of input.
// The console has read the line "uci" that switches to it; the answer to
// that line comes first.
void uci_loop();
