// The public headers compile together and the constants have MAPI's values.
#include <gtest/gtest.h>

#include "mapi/defaults.h"
#include "mapi/exchange.h"
#include "mapi/install.h"
#include "mapi/memory_store.h"
#include "mapi/profiles.h"
#include "mapi/table.h"

namespace {

TEST(MapiHeaders, StatusCodesAndTagsHaveMapiValues) {
  struct Case {
    const char* name;
    ULONG got, want;
  } cases[] = {
      {"MAPI_E_NOT_FOUND", ULONG(MAPI_E_NOT_FOUND), 0x8004010F},
      {"MAPI_E_BAD_CHARWIDTH", ULONG(MAPI_E_BAD_CHARWIDTH), 0x80040103},
      {"MAPI_E_LOGON_FAILED", ULONG(MAPI_E_LOGON_FAILED), 0x80040111},
      {"MAPI_E_USER_CANCEL", ULONG(MAPI_E_USER_CANCEL), 0x80040113},
      {"MAPI_E_FAILONEPROVIDER", ULONG(MAPI_E_FAILONEPROVIDER), 0x8004011D},
      {"MAPI_W_ERRORS_RETURNED", ULONG(MAPI_W_ERRORS_RETURNED), 0x00040380},
      {"MAPI_E_TABLE_TOO_BIG", ULONG(MAPI_E_TABLE_TOO_BIG), 0x80040403},
      {"MAPI_E_AMBIGUOUS_RECIP", ULONG(MAPI_E_AMBIGUOUS_RECIP), 0x80040700},
      {"PR_ENTRYID", PR_ENTRYID, 0x0FFF0102},
      {"PR_MDB_PROVIDER", PR_MDB_PROVIDER, 0x34140102},
      {"PR_DISPLAY_NAME_W", PR_DISPLAY_NAME_W, 0x3001001F},
      {"PR_CONTAINER_CLASS_A", PR_CONTAINER_CLASS_A, 0x3613001E},
      {"PR_IPM_SUBTREE_ENTRYID", PR_IPM_SUBTREE_ENTRYID, 0x35E00102},
      {"logon flags", MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_ALLOW_OTHERS | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED,
       0x3B},
      {"mailbox open flags", MDB_NO_DIALOG | MDB_TEMPORARY | MAPI_BEST_ACCESS | MDB_NO_MAIL, 0xB1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
}

}  // namespace
