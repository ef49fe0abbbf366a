// Named properties of an item: their name and value texts, and the pass
// over one message that stores them among the item's values.
#include "NamedProps.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "CressingDlg.h"
#include "CressingText.h"
#include "ItemValues.h"
#include "mapisupport/InterpretProp.h"
#include "win32/codepage.h"
#include "win32/text.h"

namespace {

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::strlen(text)); }

// The string name's text. The buffer is UTF-16 up to its terminator; the
// 8-bit reading stays inside those bytes.
std::u16string StringNameText(LPCWSTR name) {
  const std::size_t units = win32::WideLength(name);
  const auto* bytes = reinterpret_cast<const char*>(name);
  const std::size_t narrow = strnlen(bytes, units * sizeof(WCHAR));
  if (narrow >= units)
    return u"sz: \"" + win32::AnsiToUtf16(std::string_view(bytes, narrow)) + u"\" " + kNameWasAnsiText;
  return u"sz: \"" + std::u16string(name, units) + u"\"";
}

}  // namespace

std::u16string NameIDToText(const MAPINAMEID* name) {
  if (!name) return {};
  if (name->ulKind == MNID_ID) {
    char text[32];
    const auto lid = static_cast<unsigned>(name->Kind.lID);
    std::snprintf(text, sizeof text, "id: 0x%04X=%u", lid, lid);
    return Ascii(text);
  }
  if (name->ulKind == MNID_STRING && name->Kind.lpwstrName) return StringNameText(name->Kind.lpwstrName);
  return {};
}

void CCressingDlg::GetPropNameAndValue(const SPropValue& prop, const MAPINAMEID* name, CString& valueText,
                                       CString& nameText) {
  FormatNamedProp(prop, name, valueText, nameText);
}

void CCressingDlg::FormatNamedProp(const SPropValue& prop, const MAPINAMEID* name, CString& valueText,
                                   CString& nameText) {
  nameText.clear();
  TimeBase base = TimeBase::Utc;
  if (name) {
    nameText = NameIDToText(name);
    // Only a list of entry ids is a member list; any other value under the
    // same name is an ordinary value.
    if (nameText.find(kMembersName) != CString::npos && PROP_TYPE(prop.ulPropTag) == PT_MV_BINARY) {
      m_memberDumpActive = 1;
      m_memberFilePath = CurrentFolderPath(kMembersFileName);
      m_memberFileOpen = m_memberFile.Open(m_memberFilePath, win32::kFileWrite) == ERROR_SUCCESS ? 1 : 0;
    }
    // Task start and due dates hold local midnight, not a UTC time.
    if (nameText.find(kTaskStartName) != CString::npos || nameText.find(kTaskDueName) != CString::npos)
      base = TimeBase::Local;
  }
  valueText = PropValueToText(prop, base);
  if (m_memberDumpActive == 1 && m_memberFileOpen == 1) m_memberFile.Close();
}

CString CCressingDlg::PropValueToText(const SPropValue& prop, TimeBase base) {
  const ULONG type = PROP_TYPE(prop.ulPropTag);
  if (type & MV_FLAG) {
    const ULONG count = prop.Value.MVi.cValues;
    char head[16];
    std::snprintf(head, sizeof head, "%d: ", static_cast<int>(count));
    CString text = Ascii(head);
    for (ULONG i = 0; i < count; ++i) {
      if (i) text += u"; ";
      text += MVElementToStrings(&prop, i);
      if (m_memberDumpActive == 1) WriteDistListMember(prop, i);
    }
    return text;
  }
  switch (type) {
    case PT_BOOLEAN:
      return prop.Value.b ? u"1" : u"";
    case PT_STRING8:
      return AnsiValue(prop);
    case PT_SYSTIME:
      return NamedTimeToText(prop.Value.ft, base);
    case PT_CLSID:
    case PT_BINARY:
      return {};
    default:
      // The other types read as the support layer writes them.
      return PropValueToStrings(&prop);
  }
}

void CCressingDlg::ReadNamedValues(IMAPIProp* message, ItemValues& values, StopTest stopTest) {
  // The members file of an earlier list is not this item's.
  m_memberFilePath.clear();
  if (!message) return;
  ULONG count = 0;
  LPSPropValue rawProps = nullptr;
  const HRESULT hr = message->GetProps(nullptr, MAPI_UNICODE, &count, &rawProps);
  const MapiBufferPtr<SPropValue> props(rawProps);
  if (FAILED(hr) || !props) return;

  ULONG namedCount = 0;
  for (ULONG i = 0; i < count; ++i)
    if (PROP_ID(props.get()[i].ulPropTag) >= 0x8000) ++namedCount;
  ULONG nameCount = 0;
  LPMAPINAMEID* rawNames = nullptr;
  LPVOID rawTags = nullptr;
  if (namedCount && SUCCEEDED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(namedCount)), &rawTags))) {
    const MapiBufferPtr<SPropTagArray> tags(static_cast<LPSPropTagArray>(rawTags));
    tags->cValues = 0;
    for (ULONG i = 0; i < count; ++i)
      if (PROP_ID(props.get()[i].ulPropTag) >= 0x8000) tags->aulPropTag[tags->cValues++] = props.get()[i].ulPropTag;
    LPSPropTagArray asked = tags.get();
    if (FAILED(message->GetNamesFromIDs(&asked, nullptr, 0, &nameCount, &rawNames))) nameCount = 0;
  }
  const MapiBufferPtr<LPMAPINAMEID> names(rawNames);

  ULONG nextName = 0;
  for (ULONG i = 0; i < count && (stopTest == StopTest::Ignore || m_stopRequested != 1); ++i) {
    const SPropValue& prop = props.get()[i];
    if (PROP_ID(prop.ulPropTag) < 0x8000) continue;
    const MAPINAMEID* name = names && nextName < nameCount ? names.get()[nextName] : nullptr;
    ++nextName;
    CString valueText, nameText;
    m_memberDumpActive = 0;
    GetPropNameAndValue(prop, name, valueText, nameText);
    m_memberDumpActive = 0;
    TakeNamedValue(values, nameText, valueText);
  }
}
