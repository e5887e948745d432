// Clock functions in the shape the libraries were designed against.
#pragma once

#include <platform/wintypes.h>

// Milliseconds since an arbitrary start, wrapping at 2^32 like the Windows tick count.
DWORD GetTickCount();

// The local wall-clock time.
void GetLocalTime(SYSTEMTIME* time);
