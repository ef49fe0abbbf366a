// The table over rows: cursor, columns, seeking, all rows at once.
#include <gtest/gtest.h>

#include "mapi/table.h"
#include "mapi_test_util.h"

namespace {

using mapi_test::Tags;
using mapi_test::W;

ComPtr<IMAPITable> NameTable(int rows) {
  std::vector<std::shared_ptr<const mapi::PropMap>> data;
  for (int i = 0; i < rows; ++i) {
    auto row = std::make_shared<mapi::PropMap>();
    row->Set(mapi::MakeLong(PR_ROWID, i));
    row->Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"row" + std::u16string(1, u'0' + i)));
    if (i % 2) row->Set(mapi::MakeString8(PR_CONTAINER_CLASS_A, "IPF.Note"));
    data.push_back(std::move(row));
  }
  return mapi::MakeTable(std::make_shared<mapi::VectorRows>(std::vector<ULONG>{PR_ROWID, PR_DISPLAY_NAME_W},
                                                            std::move(data)),
                         0);
}

TEST(Table, QueryRowsOneAtATimeEndsWithAnEmptySet) {
  auto table = NameTable(3);
  auto cols = Tags({PR_CONTAINER_CLASS_A, PR_ROWID});
  ASSERT_EQ(table->SetColumns(cols.get(), 0), S_OK);
  for (int i = 0;; ++i) {
    LPSRowSet raw = nullptr;
    ASSERT_EQ(table->QueryRows(1, 0, &raw), S_OK);
    mapi::RowSet rows(raw);
    if (rows->cRows == 0) {
      EXPECT_EQ(i, 3);
      break;
    }
    ASSERT_EQ(rows->cRows, 1u);
    const SRow& r = rows->aRow[0];
    ASSERT_EQ(r.cValues, 2u);
    EXPECT_EQ(r.lpProps[1].Value.l, i);
    if (i % 2) EXPECT_EQ(mapi_test::A(r.lpProps[0]), "IPF.Note");
    else EXPECT_EQ(r.lpProps[0].ulPropTag, CHANGE_PROP_TYPE(PR_CONTAINER_CLASS_A, PT_ERROR)) << "row " << i;
  }
}

TEST(Table, SeekRowClampsAndReportsTheRowsMoved) {
  auto table = NameTable(5);
  struct Case {
    BOOKMARK origin;
    LONG move;
    LONG sought;
    ULONG position;
  } cases[] = {
      {BOOKMARK_BEGINNING, 2, 2, 2}, {BOOKMARK_CURRENT, 10, 3, 5}, {BOOKMARK_END, -1, -1, 4},
      {BOOKMARK_CURRENT, -9, -4, 0}, {BOOKMARK_BEGINNING, 0, 0, 0},
  };
  for (const auto& c : cases) {
    LONG sought = 99;
    ASSERT_EQ(table->SeekRow(c.origin, c.move, &sought), S_OK);
    ULONG row = 0, num = 0, den = 0;
    table->QueryPosition(&row, &num, &den);
    EXPECT_EQ(sought, c.sought) << c.origin << " " << c.move;
    EXPECT_EQ(row, c.position) << c.origin << " " << c.move;
  }
  BOOKMARK mark = 0;
  table->SeekRow(BOOKMARK_BEGINNING, 3, nullptr);
  ASSERT_EQ(table->CreateBookmark(&mark), S_OK);
  table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
  LONG sought = 0;
  ASSERT_EQ(table->SeekRow(mark, 1, &sought), S_OK);
  LPSRowSet raw = nullptr;
  ASSERT_EQ(table->QueryRows(-2, 0, &raw), S_OK);  // backwards: rows 2 and 3
  mapi::RowSet rows(raw);
  ASSERT_EQ(rows->cRows, 2u);
  EXPECT_EQ(W(rows->aRow[0].lpProps[1]), u"row2");
  EXPECT_EQ(table->FreeBookmark(mark), S_OK);
  EXPECT_EQ(table->SeekRow(mark, 0, nullptr), MAPI_E_INVALID_BOOKMARK);
}

TEST(Table, AllRowsFromTheStartWithinALimit) {
  auto table = NameTable(4);
  table->SeekRow(BOOKMARK_END, 0, nullptr);
  auto cols = Tags({PR_DISPLAY_NAME_W});
  LPSRowSet raw = nullptr;
  ASSERT_EQ(HrQueryAllRows(table.Get(), cols.get(), nullptr, nullptr, 0, &raw), S_OK);
  mapi::RowSet rows(raw);
  ASSERT_EQ(rows->cRows, 4u);
  EXPECT_EQ(W(rows->aRow[3].lpProps[0]), u"row3");
  EXPECT_EQ(HrQueryAllRows(table.Get(), cols.get(), nullptr, nullptr, 3, &raw), MAPI_E_TABLE_TOO_BIG);
  EXPECT_EQ(raw, nullptr);

  auto empty = NameTable(0);
  ASSERT_EQ(HrQueryAllRows(empty.Get(), nullptr, nullptr, nullptr, 0, &raw), S_OK);
  mapi::RowSet none(raw);
  EXPECT_EQ(none->cRows, 0u);
}

}  // namespace
