// A stand-in engine for requester tests: a forked child with one window that
// answers a request by sending replies back to the requester (wParam).
#pragma once

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>

#include "cressing/CressingRecords.h"
#include "win32/window.h"

namespace fake_engine {

// It speaks a little of Cressing's protocol: an export request, the item it
// announces and the end of the folder; and a plain listing message.
constexpr ULONG_PTR kRequest = CD_EXPORT_FOLDER;
constexpr ULONG_PTR kItem = CD_ITEM_INFO;
constexpr ULONG_PTR kDone = CD_EXPORT_DONE;
constexpr UINT kPlain = WM_LIST_STORES;

// On kRequest: sends kItem with the request's bytes and kDone with a short
// text to the requester, and answers with the sum of its answers, plus 1000
// when the 8 bytes at offset 8 of the record hold the requester's window.
// On kPlain: answers lParam * 2.
inline LRESULT Proc(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPlain) return lParam * 2;
  if (message == WM_DESTROY) PostQuitMessage(0);
  if (message != WM_COPYDATA || !lParam) return DefWindowProcW(self, message, wParam, lParam);
  auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lParam);
  if (cds->dwData != kRequest) return 0;
  HWND requester = reinterpret_cast<HWND>(wParam);
  COPYDATASTRUCT item{kItem, cds->cbData, cds->lpData};
  LRESULT sum = SendMessageW(requester, WM_COPYDATA, reinterpret_cast<WPARAM>(self), reinterpret_cast<LPARAM>(&item));
  char16_t done[] = u"No more items";
  COPYDATASTRUCT last{kDone, sizeof done, done};
  sum += SendMessageW(requester, WM_COPYDATA, reinterpret_cast<WPARAM>(self), reinterpret_cast<LPARAM>(&last));
  ULONGLONG named = 0;
  if (cds->cbData >= 16) std::memcpy(&named, static_cast<BYTE*>(cds->lpData) + 8, 8);
  if (named == win32::HandleValue(requester)) sum += 1000;
  return sum;
}

// Forks the fake engine with a window of this title; kill it by the pid.
inline pid_t Start(const std::u16string& title) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = u"FakeEngine";
  RegisterClassW(&wc);
  if (!CreateWindowExW(0, u"FakeEngine", title.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)) ::_exit(9);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  ::_exit(0);
}

}  // namespace fake_engine
