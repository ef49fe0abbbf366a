// MAPI memory: each buffer carries a header that links the blocks
// MAPIAllocateMore attached to it; freeing the first frees them all.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "entry.h"
#include "mapi/holders.h"

namespace {

std::atomic<long> g_liveBuffers{0};

// Sits before the caller's bytes; max_align_t keeps those aligned.
struct alignas(std::max_align_t) Block {
  Block* next;  // next block linked to the same first buffer
  Block* head;  // the first buffer's block (itself for a first buffer)
};

Block* BlockOf(void* p) { return static_cast<Block*>(p) - 1; }

Block* NewBlock(ULONG cb) {
  void* raw = std::malloc(sizeof(Block) + (cb ? cb : 1));
  if (!raw) return nullptr;
  auto* b = static_cast<Block*>(raw);
  b->next = nullptr;
  b->head = b;
  return b;
}

}  // namespace

namespace mapi::entry {

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
  if (!lppBuffer) return MAPI_E_INVALID_PARAMETER;
  *lppBuffer = nullptr;
  Block* b = NewBlock(cbSize);
  if (!b) return MAPI_E_NOT_ENOUGH_MEMORY;
  ++g_liveBuffers;
  *lppBuffer = b + 1;
  return S_OK;
}

SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
  if (!lppBuffer) return MAPI_E_INVALID_PARAMETER;
  *lppBuffer = nullptr;
  if (!lpObject) return MAPIAllocateBuffer(cbSize, lppBuffer);
  Block* head = BlockOf(lpObject)->head;
  Block* b = NewBlock(cbSize);
  if (!b) return MAPI_E_NOT_ENOUGH_MEMORY;
  b->head = head;
  b->next = head->next;
  head->next = b;
  *lppBuffer = b + 1;
  return S_OK;
}

ULONG MAPIFreeBuffer(LPVOID lpBuffer) {
  if (!lpBuffer) return S_OK;
  --g_liveBuffers;
  Block* b = BlockOf(lpBuffer)->head;
  while (b) {
    Block* next = b->next;
    std::free(b);
    b = next;
  }
  return S_OK;
}

}  // namespace mapi::entry

long mapi::LiveBuffers() { return g_liveBuffers.load(); }

namespace mapi::entry {
LPMALLOC MAPIGetDefaultMalloc() {
  LPMALLOC malloc = nullptr;
  CoGetMalloc(MEMCTX_TASK, &malloc);
  return malloc;
}
}  // namespace mapi::entry
