#include "ExportNames.h"

#include <string_view>
#include <utility>

#include "win32/files.h"

namespace {

const std::pair<std::u16string_view, std::int32_t> kItemTypes[] = {
    {u"IPM.Appointment", kItemAppointment}, {u"IPM.Contact", kItemContact}, {u"IPM.DistList", kItemDistList},
    {u"IPM.StickyNote", kItemStickyNote},   {u"IPM.Task", kItemTask},       {u"IPM.Activity", kItemJournal},
};

}  // namespace

std::int32_t GetItemType(const std::u16string& messageClass) {
  for (const auto& [cls, type] : kItemTypes)
    if (messageClass == cls) return type;
  return kItemMail;
}

std::u16string GetFreeEmlFileName(const std::u16string& workingFolder, int n) {
  const std::string number = std::to_string(n);
  std::u16string path = workingFolder + u"MSG" + std::u16string(number.begin(), number.end()) + u".eml";
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return {};
  return path;
}
