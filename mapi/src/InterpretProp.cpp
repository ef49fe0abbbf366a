// Property value text.
#include "mapisupport/InterpretProp.h"

#include <cinttypes>
#include <cstdio>
#include <memory>

#include "mapisupport/InterpretProp2.h"
#include "mapisupport/MAPIFunctions.h"
#include "win32/text.h"

namespace {

// The whole text however long ("%f" of a large double runs to hundreds of
// digits).
template <class... Args>
std::u16string Format(const char* format, Args... args) {
  std::string text(64, '\0');
  const int n = std::snprintf(text.data(), text.size(), format, args...);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) >= text.size()) {
    text.assign(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
  }
  text.resize(static_cast<std::size_t>(n));
  return win32::Utf8ToUtf16(text);
}

std::u16string TakeWide(LPWSTR owned) {
  const std::unique_ptr<WCHAR[]> holder(owned);
  return owned ? std::u16string(owned) : std::u16string();
}

std::u16string SingleValueText(const SPropValue& prop) {
  switch (PROP_TYPE(prop.ulPropTag)) {
    case PT_I2:
      return Format("%d", static_cast<int>(prop.Value.i));
    case PT_LONG:
      return Format("%u", static_cast<unsigned>(prop.Value.ul));
    case PT_R4:
      return Format("%f", static_cast<double>(prop.Value.flt));
    case PT_DOUBLE:
      return Format("%f", prop.Value.dbl);
    case PT_APPTIME:
      return Format("%f", prop.Value.at);
    case PT_ERROR:
      return Format("Err:0x%08X=%s", static_cast<unsigned>(prop.Value.err), "");
    case PT_I8:
      return Format("%" PRId64, static_cast<std::int64_t>(prop.Value.li.QuadPart));
    case PT_UNICODE:
      return prop.Value.lpszW ? std::u16string(prop.Value.lpszW) : std::u16string();
    case PT_CLSID:
      return prop.Value.lpguid ? TakeWide(GuidToDisplayString(*prop.Value.lpguid)) : std::u16string();
    case PT_BINARY:
      return BinaryToHexText(&prop.Value.bin);
    default:
      return {};
  }
}

bool ReadsElementArray(ULONG type) {
  switch (type) {
    case PT_MV_I2:
    case PT_MV_LONG:
    case PT_MV_R4:
    case PT_MV_DOUBLE:
    case PT_MV_CURRENCY:
    case PT_MV_APPTIME:
    case PT_MV_I8:
    case PT_MV_STRING8:
    case PT_MV_UNICODE:
    case PT_MV_SYSTIME:
    case PT_MV_CLSID:
    case PT_MV_BINARY:
      return true;
    default:
      return false;
  }
}

// Element iVal of a multi-valued value as a single value of the base type;
// false when there is no such element.
bool ElementValue(const SPropValue& mv, ULONG iVal, SPropValue& single) {
  const _PV& v = mv.Value;
  if (iVal >= v.MVi.cValues) return false;
  single = SPropValue{};
  single.ulPropTag = CHANGE_PROP_TYPE(mv.ulPropTag, PROP_TYPE(mv.ulPropTag) & ~MV_FLAG);
  // The arrays share their layout (count, then pointer). Only the types
  // below read their array, so only they need one.
  if (!v.MVi.lpi) return !ReadsElementArray(PROP_TYPE(mv.ulPropTag));
  switch (PROP_TYPE(mv.ulPropTag)) {
    case PT_MV_I2:
      single.Value.i = v.MVi.lpi[iVal];
      break;
    case PT_MV_LONG:
      single.Value.l = v.MVl.lpl[iVal];
      break;
    case PT_MV_R4:
      single.Value.flt = v.MVflt.lpflt[iVal];
      break;
    case PT_MV_DOUBLE:
      single.Value.dbl = v.MVdbl.lpdbl[iVal];
      break;
    case PT_MV_CURRENCY:
      single.Value.cur = v.MVcur.lpcur[iVal];
      break;
    case PT_MV_APPTIME:
      single.Value.at = v.MVat.lpat[iVal];
      break;
    case PT_MV_I8:
      single.Value.li = v.MVli.lpli[iVal];
      break;
    case PT_MV_STRING8:
      single.Value.lpszA = v.MVszA.lppszA[iVal];
      break;
    case PT_MV_UNICODE:
      single.Value.lpszW = v.MVszW.lppszW[iVal];
      break;
    case PT_MV_SYSTIME:
      single.Value.ft = v.MVft.lpft[iVal];
      break;
    case PT_MV_CLSID:
      single.Value.lpguid = &v.MVguid.lpguid[iVal];
      break;
    case PT_MV_BINARY:
      single.Value.bin = v.MVbin.lpbin[iVal];
      break;
    default:
      break;  // a zero value of the base type
  }
  return true;
}

}  // namespace

std::u16string MVElementToStrings(const SPropValue* lpProp, ULONG iVal) {
  SPropValue single;
  if (!lpProp || !ElementValue(*lpProp, iVal, single)) return {};
  return PropValueToStrings(&single);
}

std::u16string PropValueToStrings(const SPropValue* lpProp) {
  if (!lpProp) return {};
  if (!(PROP_TYPE(lpProp->ulPropTag) & MV_FLAG)) return SingleValueText(*lpProp);
  const ULONG count = lpProp->Value.MVi.cValues;
  std::u16string text = Format("%d: ", static_cast<int>(count));
  for (ULONG i = 0; i < count; ++i) {
    if (i) text += u"; ";
    text += MVElementToStrings(lpProp, i);
  }
  return text;
}

std::u16string BinaryToHexText(const SBinary* lpBin) {
  if (!lpBin) return {};
  if (!lpBin->cb) return u"cb: 0 lpb: NULL";
  LPWSTR hex = nullptr;
  MyHexFromBin(lpBin->lpb, lpBin->cb, &hex);
  // A count with no bytes behind it has no hex text, and then no text at all.
  if (!hex) return {};
  return Format("cb: %d lpb: ", static_cast<int>(lpBin->cb)) + TakeWide(hex);
}

LPWSTR GuidToText(const GUID* lpGUID) {
  const GUID guid = lpGUID ? *lpGUID : GUID_NULL;
  char text[GUID_STRING_SIZE + 1];
  std::snprintf(text, sizeof text, "{%.8X-%.4X-%.4X-%.2X%.2X-%.2X%.2X%.2X%.2X%.2X%.2X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  auto* out = new WCHAR[GUID_STRING_SIZE];
  for (ULONG i = 0; i < GUID_STRING_SIZE; ++i) out[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
  return out;
}
