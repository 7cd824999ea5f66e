#pragma once

// The Windows API as the shell uses it. windows.h names MessageBoxW
// "MessageBox" too, which would rename the data file's MessageBox seam in the
// shell's sources alone: the shell calls the W functions by their own names.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shobjidl.h>
#undef MessageBox
