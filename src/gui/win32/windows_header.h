#pragma once
// The system's header for the window code. The window operations share three
// names with its macros (SetWindowText, GetWindowText, MessageBox); so that
// they keep their own names whatever is included first, every file of the
// window includes the system's header through this one, and the window code
// calls the wide functions by their full names.

#include <windows.h>

#undef SetWindowText
#undef GetWindowText
#undef MessageBox
