#include "FolderText.h"

namespace {

struct FolderClassType {
  std::u16string_view containerClass;
  int type;
};

const FolderClassType kFolderTypes[] = {
    {u"IPF.Appointment", 7}, {u"IPF.Contact", 8}, {u"IPF.StickyNote", 9},
    {u"IPF.Task", 10},       {u"IPF.Journal", 11},
};
constexpr int kOtherFolderType = 6;

std::u16string Decimal(long value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

int GetFolderType(std::u16string_view containerClass) {
  for (const FolderClassType& row : kFolderTypes)
    if (row.containerClass == containerClass) return row.type;
  return kOtherFolderType;
}

std::u16string NameWithCount(std::u16string_view displayName, long count) {
  std::u16string text(displayName);
  text += u" (";
  text += Decimal(count);
  text += u")";
  return text;
}

std::u16string WithTypePart(std::u16string_view text, int folderType) {
  std::u16string line(text);
  line += kFolderTypeTag;
  line += Decimal(folderType);
  return line;
}
