// What the benchmark program does when it runs as its own child process.
#pragma once

// "convert THREADS LAYOUT SPARSE HALF SOURCE DESTINATION START END": cacheconv's frame loop,
// silent, printing the seconds spent in each stage and the peak resident memory in kB:
// "load decode fill write peak".
// "decode SOURCE": loads the frame and expands every stored channel twice on the built-in pool,
// printing the seconds of the first pass and of the second: "cold warm".
// "channel SOURCE N": loads the frame and prints the seconds that expanding channel N takes on the
// calling thread.
// Returns the exit status.
int runChildMode(int argc, char** argv);
