// Error log and trace. The mask and the switch never change and no trace
// file is ever opened, so nothing here writes anything; the checks stay so
// that the code reads as the logging it would do with tracing on.
#include "mapisupport/ErrorLog.h"

#include "win32/errors.h"

namespace {

constexpr ULONG kDebugTag = 0;
constexpr BOOL kDebugToFile = FALSE;

// No trace file is ever opened.
bool TraceFileOpen() { return false; }

bool Tracing(ULONG category) { return kDebugToFile && (kDebugTag & category) != 0 && TraceFileOpen(); }

// Win32 code to HRESULT: 0 stays 0; a code of 0 or less is taken as it is.
HRESULT StatusFromLastError() {
  const DWORD code = GetLastError();
  return static_cast<LONG>(code) <= 0 ? static_cast<HRESULT>(code)
                                      : static_cast<HRESULT>(0x80070000u | (code & 0xFFFF));
}

}  // namespace

ULONG DebugTag() { return kDebugTag; }
BOOL DebugToFile() { return kDebugToFile; }

HRESULT CheckLastError(const char* szFile, int iLine, const char*) {
  const HRESULT hRes = StatusFromLastError();
  if (hRes != 0) LogHResult(hRes, static_cast<UINT>(GetLastError()), szFile, iLine, true, true);
  return hRes;
}

HRESULT WarnLastError(const char* szFile, int iLine, const char*) {
  const HRESULT hRes = StatusFromLastError();
  if (kDebugTag & DBGHRes) LogHResult(hRes, static_cast<UINT>(GetLastError()), szFile, iLine, false, true);
  return hRes;
}

void LogHResult(HRESULT, UINT, const char*, int, bool, bool) {
  // The text would go, time-stamped, to the trace file; there is none.
  if (!((kDebugTag & DBGHRes) || kDebugToFile) || !TraceFileOpen()) return;
}

void TraceMessage(ULONG ulDbgLvl, LPCWSTR, ...) {
  if (!Tracing(ulDbgLvl)) return;
}

void TraceClassMessage(ULONG ulDbgLvl, LPCWSTR, LPCWSTR, LPCWSTR, ...) {
  if (!Tracing(ulDbgLvl)) return;
}

void OutputBinary(ULONG ulDbgLvl, const SBinary*) {
  if (!Tracing(ulDbgLvl)) return;
}
