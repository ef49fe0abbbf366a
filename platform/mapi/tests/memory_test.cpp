// MAPI memory: linked blocks live and die with their first buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "mapi/mapix.h"

namespace {

TEST(MapiMemory, MoreBlocksAreFreedWithTheFirstBuffer) {
  void* head = nullptr;
  ASSERT_EQ(MAPIAllocateBuffer(16, &head), S_OK);
  void* a = nullptr;
  void* b = nullptr;
  ASSERT_EQ(MAPIAllocateMore(100, head, &a), S_OK);
  // Linking to a linked block links to its first buffer too.
  ASSERT_EQ(MAPIAllocateMore(0, a, &b), S_OK);
  std::memset(head, 1, 16);
  std::memset(a, 2, 100);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % alignof(std::max_align_t), 0u);
  EXPECT_EQ(MAPIFreeBuffer(head), 0u);  // ASan reports a leak if a or b survive
}

TEST(MapiMemory, NullArgumentsAnswerWithoutCrashing) {
  EXPECT_EQ(MAPIFreeBuffer(nullptr), 0u);
  EXPECT_EQ(MAPIAllocateBuffer(4, nullptr), MAPI_E_INVALID_PARAMETER);
  void* p = nullptr;
  ASSERT_EQ(MAPIAllocateMore(8, nullptr, &p), S_OK);  // no parent: a first buffer of its own
  MAPIFreeBuffer(p);
}

}  // namespace
