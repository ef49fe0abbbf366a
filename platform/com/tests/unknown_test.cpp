#include <gtest/gtest.h>

#include <thread>

#include "com/com.h"
#include "com/stream.h"

namespace {

struct IFirst : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0xA1, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
  virtual int First() = 0;
};
struct IDerived : IFirst {
  using Base = IFirst;
  static constexpr IID kIid = {0xA2, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
  virtual int Derived() = 0;
};
struct ISecond : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0xA3, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
  virtual int Second() = 0;
};

class Both final : public com::ComObject<IDerived, ISecond> {
 public:
  explicit Both(bool* destroyed) : destroyed_(destroyed) {}
  ~Both() override { *destroyed_ = true; }
  int First() override { return 1; }
  int Derived() override { return 2; }
  int Second() override { return 3; }

 private:
  bool* destroyed_;
};

TEST(ComObject, AnswersEveryInterfaceOfEachChainWithOneIdentity) {
  bool destroyed = false;
  {
    ComPtr<IDerived> d = com::Make<Both>(&destroyed);
    ComPtr<IFirst> f = d.As<IFirst>();
    ComPtr<ISecond> s = d.As<ISecond>();
    ASSERT_TRUE(f && s);
    EXPECT_EQ(f->First() + d->Derived() + s->Second(), 6);
    // IUnknown is the same pointer whichever interface it is asked from.
    EXPECT_EQ(f.As<IUnknown>().Get(), s.As<IUnknown>().Get());
    ComPtr<IStream> none;
    EXPECT_EQ(s.As(&none), E_NOINTERFACE);
    EXPECT_FALSE(none);
    EXPECT_EQ(d->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  }
  EXPECT_TRUE(destroyed);  // every reference came back
}

TEST(ComPtr, OwnsExactlyOneReference) {
  bool destroyed = false;
  ComPtr<ISecond> a = com::Make<Both>(&destroyed);
  {
    ComPtr<ISecond> copy = a;
    ComPtr<ISecond> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(moved, a);
    ISecond* out = nullptr;
    ASSERT_EQ(moved.CopyTo(&out), S_OK);
    ComPtr<ISecond> adopted = ComPtr<ISecond>::Attach(out);  // no extra AddRef
  }
  ISecond* detached = a.Detach();
  EXPECT_FALSE(a);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(detached->Release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST(CoInitialize, CountsPerThread) {
  EXPECT_FALSE(com::IsInitialized());
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
  std::thread([] {
    EXPECT_FALSE(com::IsInitialized());
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
  }).join();
  CoUninitialize();
  EXPECT_TRUE(com::IsInitialized());
  CoUninitialize();
  EXPECT_FALSE(com::IsInitialized());
  CoUninitialize();  // unbalanced: ignored
  EXPECT_FALSE(com::IsInitialized());
}

}  // namespace
