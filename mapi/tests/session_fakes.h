// A session, stores table and Exchange store for the session-holder and
// store-opener tests. Rows and entry ids are MAPI buffers of the bound test
// library, so the code under test frees them as it would MAPI's.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "fake_mapi.h"
#include "mapisupport/ImportProcs.h"
#include "null_objects.h"

namespace session_fakes {

// What the fakes saw.
struct Log {
  int logoffs = 0;
  ULONG logoffFlags = 0;
  bool sessionGone = false;
  std::vector<std::string> openedIds;  // entry ids passed to OpenMsgStore
  std::vector<ULONG> openFlags;
  std::vector<ULONG> queriedColumns;
  std::string server, mailbox;  // of CreateStoreEntryID ("(null)" for none)
  ULONG createFlags = 0;
  int storesAlive = 0;
};

struct StoreRow {
  ULONG idTag;
  std::string entryId;
  ULONG providerTag;
  std::string provider;
};

std::string Bytes(const BYTE* p, ULONG cb);
std::string ExchangeProvider();  // the 16 bytes of the Exchange private store

class Store final : public fake_objects::NullExchangeStore {
 public:
  Store(std::shared_ptr<Log> log, bool exchange) : log_(std::move(log)), exchange_(exchange) { ++log_->storesAlive; }
  ~Store() override { --log_->storesAlive; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IExchangeManageStore::kIid && !exchange_) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    return NullExchangeStore::QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE CreateStoreEntryID(LPSTR server, LPSTR mailbox, ULONG flags, ULONG* cb,
                                               LPENTRYID* eid) override;
  HRESULT createStatus = S_OK;

 private:
  std::shared_ptr<Log> log_;
  bool exchange_;
};

class Table final : public fake_objects::NullTable {
 public:
  explicit Table(std::vector<StoreRow> rows) : rows_(std::move(rows)) {}
  HRESULT STDMETHODCALLTYPE QueryRows(LONG count, ULONG flags, LPSRowSet* rows) override;

 private:
  std::vector<StoreRow> rows_;
  bool done_ = false;
};

class Session final : public fake_objects::NullSession {
 public:
  explicit Session(std::shared_ptr<Log> log) : log_(std::move(log)) {}
  ~Session() override { log_->sessionGone = true; }
  HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG flags, LPMAPITABLE* table) override;
  HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR ui, ULONG cb, LPENTRYID eid, LPCIID iid, ULONG flags,
                                         LPMDB* store) override;
  HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR ui, ULONG flags, ULONG reserved) override;

  std::vector<StoreRow> storeRows;
  HRESULT tableStatus = S_OK;
  HRESULT openStatus = S_OK;
  bool storesAreExchange = true;

 private:
  std::shared_ptr<Log> log_;
};

// Installs fake_mapi32_session as the system mapi32.dll and routes its
// HrQueryAllRows and FreeProws to table calls that record the columns.
HMODULE InstallSessionLibrary(std::shared_ptr<Log> log);

}  // namespace session_fakes
