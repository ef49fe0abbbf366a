// Distribution lists: "Group" documents named by the tagged entries of the
// item text's body, their members read from the members file that the
// extraction engine wrote for the list.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ItemWriters.h"
#include "NotesEngine.h"
#include "TaggedEntries.h"
#include "win32/file.h"
#include "win32/files.h"

namespace {

void MapGroupField(const CString& label, const CString& value, LNDocument& document) {
  if (label == u"Name") {
    WriteTextItem(u"DisplayName", value, document);
    WriteTextItem(u"ListName", value, document);
  } else if (label == u"Comment") {
    WriteTextItem(u"Comment", value, document);
  } else if (label == u"Category") {
    WriteTextItem(u"Categories", WithoutCategoryCount(value), document);
  }
}

// The file's lines, each byte the character of its value, every CR and LF
// dropped (an empty line stays); none when the file does not open. A
// failed read raises: the group is not built from part of its members.
std::optional<std::vector<CString>> ReadMembers(const CString& path) {
  win32::File file;
  if (file.Open(path, win32::kFileRead) != ERROR_SUCCESS) return std::nullopt;
  std::string bytes;
  char block[65536];
  for (std::size_t got = 0;; bytes.append(block, got)) {
    if (file.Read(block, sizeof block, &got) != ERROR_SUCCESS)
      throw std::runtime_error("the members file could not be read");
    if (got == 0) break;
  }
  std::vector<CString> members;
  CString line;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const unsigned char c = static_cast<unsigned char>(bytes[at]);
    if (c == '\n') {
      members.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += static_cast<char16_t>(c);
    }
  }
  // A last line without its line end; a CR alone ends no line.
  if (!bytes.empty() && bytes.back() != '\n') members.push_back(line);
  return members;
}

}  // namespace

std::int32_t CNotesEngine::BuildGroupDocument(ItemBlock block) {
  const CString& body = block.record.body;
  const std::int32_t count = CountItemEntries(body);
  LNDocument document;
  if (!CreateOpenDocument(document)) return 0;
  for (std::int32_t i = 0; i < count; ++i) {
    CString label, value;
    SplitItemEntry(GetItemEntry(body, i), label, value);
    MapGroupField(label, value, document);
  }
  WriteTextItem(u"Form", u"Group", document);
  // An earlier group may have taken the file already: then no "Members".
  const CString membersPath = m_membersFilePath;
  const bool membersThere = !membersPath.empty() && GetFileAttributesW(membersPath.c_str()) != INVALID_FILE_ATTRIBUTES;
  std::optional<std::vector<CString>> members;
  if (membersThere) {
    members = ReadMembers(membersPath);
    WriteMembersItem(members.value_or(std::vector<CString>{}), document);
  }
  const BOOL attachedAll = AttachFiles(document, block.attachmentList);
  WriteExcludeFromView(document);
  const std::int32_t result = SaveToCurrentFolder(document, attachedAll);
  // The file goes once the database holds its members; a file that did not
  // open stays.
  if (members && document.GetNoteID() != 0) DeleteFileW(membersPath.c_str());
  return result;
}
