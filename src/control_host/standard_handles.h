#pragma once

#include <windows.h>

// The process's standard input and output, taken over for the wire to the program: the reader
// and the writer each get a handle of their own that nothing else in the process holds and no
// program it starts inherits. Whatever else in the process reads standard input, the C runtime
// included, reads the null device, so that nothing waits on the pipe behind the reader's pending
// read; whatever writes to standard output, as careless controls do, writes to standard error.
HANDLE takeStandardInput();
HANDLE takeStandardOutput();
