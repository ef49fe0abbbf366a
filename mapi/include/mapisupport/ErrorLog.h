// The check-and-log convention: a failing call's status is handed to the
// error logger with its place in the source, and the caller decides by its
// sign. Logging and tracing go only to a trace output that stays switched
// off; their one effect is the status they pass on.
#pragma once
#include <cstdarg>

#include "win32/types.h"

// Trace categories (bits of the trace mask).
constexpr ULONG DBGHRes = 0x00000040;         // HRESULT errors
constexpr ULONG DBGLoadLibrary = 0x00002000;  // library loading and binding

// Trace mask and trace-to-file switch; 0 for the life of the process.
ULONG DebugTag();
BOOL DebugToFile();

// GetLastError as an HRESULT (0 stays 0); logged when not 0.
HRESULT CheckLastError(const char* szFile, int iLine, const char* szFunction);
// The same status; logged only when the mask has DBGHRes.
HRESULT WarnLastError(const char* szFile, int iLine, const char* szFunction);
// Writes the text of `uidErrorMsg` to the trace file when tracing is on.
void LogHResult(HRESULT hRes, UINT uidErrorMsg, const char* szFile, int iLine, bool bShowDialog, bool bSystemText);

void TraceMessage(ULONG ulDbgLvl, LPCWSTR szMsg, ...);
void TraceClassMessage(ULONG ulDbgLvl, LPCWSTR szClass, LPCWSTR szFunc, LPCWSTR szMsg, ...);
struct SBinary;
void OutputBinary(ULONG ulDbgLvl, const SBinary* lpBin);

// A status from a call that returns an HRESULT: logged when not 0, then
// kept in hRes for the caller's sign test.
#define WC_H(fnx)                                                        \
  do {                                                                   \
    hRes = (fnx);                                                        \
    if (hRes != 0) LogHResult(hRes, 0, __FILE__, __LINE__, false, true); \
  } while (0)
