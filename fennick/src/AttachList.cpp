#include "AttachList.h"

#include <iterator>
#include <optional>

#include "NotesText.h"
#include "Utf16Lines.h"

namespace {

bool NextListLine(LineReader& reader, CString& line) {
  if (!reader.Next(line)) return false;
  if (!line.empty() && line.back() == u'\r') line.pop_back();
  return true;
}

}  // namespace

void ReadAttachList(CList<CAttachEntry>& list, const CString& path) {
  const std::optional<CString> text = ReadUtf16File(path);
  if (!text) return;
  LineReader reader(*text);
  for (CString stored, display, folder;
       NextListLine(reader, stored) && NextListLine(reader, display) && NextListLine(reader, folder);)
    list.emplace_back(folder, stored, display);
}

bool NumberDuplicateName(CString& result, std::size_t index, const CString& displayName,
                         const CList<CAttachEntry>& list) {
  result = displayName;
  const CString upper = AsciiUpper(displayName);
  int count = 0;
  auto entry = list.begin();
  for (std::size_t i = 0; i < index && entry != list.end(); ++i, ++entry)
    if (AsciiUpper(entry->GetDisplayName()) == upper) ++count;
  if (count == 0) return false;
  const CString number = DecimalText(count);
  const std::size_t dot = displayName.rfind(u'.');
  if (dot == CString::npos)
    result = displayName + number;
  else
    result = displayName.substr(0, dot) + number + displayName.substr(dot);
  return true;
}

CString SanitizeFileName(CString name) {
  for (char16_t& c : name)
    if (CString(u"\\/:*?\"<>|").find(c) != CString::npos) c = u'_';
  return name;
}
