// The Windows C library's system() returns the program's exit code itself;
// these give the test helpers that decode a POSIX wait status the same code.
#pragma once

#define WIFEXITED(status) ((status) != -1)
#define WEXITSTATUS(status) (status)
