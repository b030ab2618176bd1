// UCI front end: the protocol of most of today's interfaces, testers and
// bots, on the same engine core as the console and xboard shell.
#pragma once

#include "search/search.h"

// Speaks UCI on standard input and output until quit or the end of input.
// The console has read the line "uci" that switches to it; the answer to
// that line comes first.
void uci_loop();

// The limits of one move from a UCI clock (milliseconds): the engine's own
// rule in centiseconds with the overhead kept back, and never more than half
// of what is left.
void allocate_uci_time(long long time_ms, long long increment_ms, long long moves_to_go,
                       long long overhead_ms);
