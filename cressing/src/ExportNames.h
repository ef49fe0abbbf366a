// What both export modes name the same way: the item type of a message
// class, and the MIME file of an item ("MSG", a number, ".eml").
#pragma once

#include <cstdint>
#include <string>

// Item types; a class the table does not know is mail.
inline constexpr std::int32_t kItemMail = 0;
inline constexpr std::int32_t kItemAppointment = 1;
inline constexpr std::int32_t kItemContact = 2;
inline constexpr std::int32_t kItemStickyNote = 3;
inline constexpr std::int32_t kItemTask = 4;
inline constexpr std::int32_t kItemJournal = 5;
inline constexpr std::int32_t kItemDistList = 12;

// The whole class compared exactly (case and length): "IPM.Appointment" 1,
// "IPM.Contact" 2, "IPM.DistList" 12, "IPM.StickyNote" 3, "IPM.Task" 4,
// "IPM.Activity" 5; anything else 0.
std::int32_t GetItemType(const std::u16string& messageClass);

// workingFolder + "MSG" + n + ".eml" when nothing of that name exists, else
// empty. The folder ends in its separator.
std::u16string GetFreeEmlFileName(const std::u16string& workingFolder, int n);
