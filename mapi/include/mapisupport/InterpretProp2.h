// GUIDs with their names.
#pragma once
#include "win32/types.h"

// The string-table id of the text for a GUID without a name.
constexpr UINT IDS_UNKNOWNGUID = 35420;

// A new[] buffer "<braced GUID> = <name>"; no GUID has a name here, so the
// text ends in " = ". The caller frees it with delete[].
LPWSTR GuidToDisplayString(const GUID& guid);
