// Standard input, output and error as the program relies on them. Started with one closed
// (`serialterm >&-`), the first descriptor the program opens (the X connection, a port) would
// take its number, and the log would be written into it.
#pragma once

// Points each of descriptors 0-2 that is not open at /dev/null. Call it first thing in main.
void openStandardDescriptors();
