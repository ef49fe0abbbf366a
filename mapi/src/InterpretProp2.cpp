// GUIDs with their names.
#include "mapisupport/InterpretProp2.h"

#include <cstring>
#include <memory>
#include <string>

#include "mapisupport/InterpretProp.h"

namespace {

// The name of a GUID. There is no table of names, and the string table has
// no text for IDS_UNKNOWNGUID, so every GUID's name is empty.
std::u16string GuidName(const GUID&) { return {}; }

}  // namespace

LPWSTR GuidToDisplayString(const GUID& guid) {
  const std::unique_ptr<WCHAR[]> text(GuidToText(&guid));
  const std::u16string display = std::u16string(text.get()) + u" = " + GuidName(guid);
  auto* out = new WCHAR[display.size() + 1];
  std::memcpy(out, display.c_str(), (display.size() + 1) * sizeof(WCHAR));
  return out;
}
