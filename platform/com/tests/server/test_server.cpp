// An in-process automation server for the activation and dispatch tests.
#include "test_server.h"

#include <atomic>
#include <string>

#include "com/com.h"
#include "com/dispatch.h"

namespace {

std::atomic<long> g_live{0};

class TestObject final : public com::DispatchObject<TestObject> {
 public:
  TestObject() { ++g_live; }
  ~TestObject() override { --g_live; }

  static std::span<const com::DispatchMember<TestObject>> Members() {
    static const com::DispatchMember<TestObject> kMembers[] = {
        {kDispCount, u"Count", DISPATCH_PROPERTYGET, 0, 0, &TestObject::Count},
        {kDispAdd, u"Add", DISPATCH_METHOD, 3, 3, &TestObject::Add},
        {kDispFail, u"Fail", DISPATCH_METHOD, 0, 0, &TestObject::Fail},
        {kDispChild, u"Child", DISPATCH_PROPERTYGET, 0, 0, &TestObject::Child},
        {kDispValue, u"Value", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 0, 0, &TestObject::Value},
        {kDispFailCode, u"FailCode", DISPATCH_METHOD, 0, 0, &TestObject::FailCode},
    };
    return kMembers;
  }

 private:
  void Count(const com::DispatchCall& c) { c.ReturnLong(adds_); }
  void Add(const com::DispatchCall& c) {
    ++adds_;
    const std::string rest = "/" + std::to_string(c.Bool(1) ? 1 : 0) + "/" + std::to_string(c.Long(2));
    c.ReturnText(c.Text(0) + std::u16string(rest.begin(), rest.end()));
  }
  void Fail(const com::DispatchCall&) { throw com::DispatchError{kFailText, E_FAIL, u"Brackenford.TestServer"}; }
  void Child(const com::DispatchCall& c) { c.ReturnDispatch(com::Make<TestObject>().Get()); }
  void Value(const com::DispatchCall& c) {
    if (c.Kind() == DISPATCH_PROPERTYGET)
      c.Return(value_);
    else
      VariantCopyInd(&value_, &c.PutValue());
  }
  void FailCode(const com::DispatchCall&) { throw com::DispatchFailure{E_ACCESSDENIED}; }

  LONG adds_ = 0;
  com::Variant value_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid,
                                                                            void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (clsid != kTestServerClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return com::GetClassObject<TestObject>(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) long TestServerLive() { return g_live.load(); }
