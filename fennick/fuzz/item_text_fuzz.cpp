// libFuzzer target: an exported item's text file as Fennick reads it into
// its record. Any bytes read without fault; the record keeps what the
// document builders rely on: a known type, a read flag of 0 or 1, header
// and type lines without line breaks, and a body whose line breaks are
// single CRs.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "ItemTextRecord.h"
#include "testing/fuzz.h"
#include "win32/text.h"

namespace {

std::filesystem::path g_file;

bool OneLine(const CString& text) { return text.find_first_of(u"\r\n") == CString::npos; }

bool KnownType(std::int32_t type) {
  for (std::int32_t known :
       {kItemUnknown, kItemMail, kItemCalendar, kItemTask, kItemContact, kItemJournal, kItemDistList})
    if (type == known) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_file = testing_support::FuzzMachine().scratch() / "Item.txt";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(g_file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ItemTextRecord record;
  ReadItemTextFile(win32::Utf8ToUtf16(g_file.string()), record);
  FUZZ_CHECK(KnownType(record.type));
  FUZZ_CHECK(record.read == 0 || record.read == 1);
  for (const CString* text : {&record.from, &record.to, &record.cc, &record.bcc, &record.subject, &record.location,
                              &record.category, &record.status, &record.priority, &record.orgConfidential,
                              &record.importance, &record.contact1, &record.contact2})
    FUZZ_CHECK(OneLine(*text));
  FUZZ_CHECK(record.body.find(u'\n') == CString::npos);
  return 0;
}
