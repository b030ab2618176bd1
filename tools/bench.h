// engine-bench: its modes.
#pragma once

int bench_search(int argc, char** argv);
int bench_eval(int argc, char** argv);
