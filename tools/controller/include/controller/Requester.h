// The controlling program's side of the engine protocol: start an engine,
// find its window by title, send it requests from a window of our own, take
// the WM_COPYDATA messages it sends back while a request runs, and close it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win32/types.h"
#include "win32/window.h"

namespace controller {

// One WM_COPYDATA an engine sent to the requester's window.
struct CopyDataReply {
  ULONG_PTR code = 0;  // dwData, all 64 bits
  std::vector<BYTE> bytes;
  HWND sender = nullptr;  // the message's wParam
};

// The outcome of one request.
struct SendResult {
  LRESULT value = 0;
  bool delivered = false;  // false: no such window, or it died before answering
};

// A hidden window of this process that sends requests with itself as wParam.
// Replies are answered on the sending thread, inside Send.
//
// The window belongs to the thread that makes the requester: make, use and
// destroy it on one thread (each thread that sends requests has its own).
// Send from any other thread fails at once (delivered false,
// ERROR_INVALID_THREAD_ID): the engine's replies could only be served by
// the owner thread.
class Requester {
 public:
  using Answer = std::function<LRESULT(const CopyDataReply&)>;

  // An empty title gives "Brackenford requester <pid>".
  explicit Requester(std::u16string title = u"");
  ~Requester();
  Requester(const Requester&) = delete;
  Requester& operator=(const Requester&) = delete;

  // Nullptr when the window could not be made (GetLastError tells why).
  HWND Window() const { return m_window; }
  // How received WM_COPYDATA messages are answered; without one, 1.
  void SetAnswer(Answer answer) { m_answer = std::move(answer); }
  // Whether received messages are also kept for Replies() (the default);
  // a long run that only answers them keeps nothing.
  void KeepReplies(bool keep) { m_keep = keep; }

  SendResult Send(HWND target, UINT message, LPARAM lParam = 0);
  SendResult SendCopyData(HWND target, ULONG_PTR code, const void* data, DWORD size);
  template <class Record>
  SendResult SendRecord(HWND target, ULONG_PTR code, const Record& record) {
    return SendCopyData(target, code, &record, sizeof record);
  }

  // Every WM_COPYDATA received so far, in order of arrival.
  const std::vector<CopyDataReply>& Replies() const { return m_replies; }
  std::vector<CopyDataReply> TakeReplies() { return std::exchange(m_replies, {}); }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCopyData(HWND sender, const COPYDATASTRUCT* cds);

  HWND m_window = nullptr;
  Answer m_answer;
  bool m_keep = true;
  std::vector<CopyDataReply> m_replies;
};

// How an engine program is started beyond its arguments.
struct SpawnOptions {
  std::filesystem::path workingFolder;                           // empty: ours
  std::vector<std::pair<std::string, std::string>> environment;  // set (or replaced) for the program
  std::filesystem::path standardError;                           // appended to; empty: ours
  int standardInput = -1;                                        // a descriptor of ours; -1: ours
  bool ownProcessGroup = false;  // out of reach of the terminal's Ctrl-C, which the controller handles
};

// An engine program started by us; killed and reaped if still running when
// the object goes.
class EngineProcess {
 public:
  // Starts `program` with `args` in this process's machine root.
  static std::optional<EngineProcess> Start(const std::filesystem::path& program, const std::vector<std::string>& args,
                                            std::string* error = nullptr);
  static std::optional<EngineProcess> Start(const std::filesystem::path& program, const std::vector<std::string>& args,
                                            const SpawnOptions& options, std::string* error = nullptr);
  EngineProcess(EngineProcess&& other) noexcept;
  EngineProcess& operator=(EngineProcess&& other) noexcept;
  ~EngineProcess();

  pid_t Pid() const { return m_pid; }
  bool Running();
  // The exit status (128 + signal for a killed process), or nothing within `limit`.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);
  // Posts WM_CLOSE to the engine's window and waits for the program to end.
  std::optional<int> Close(HWND window, std::chrono::milliseconds limit);

 private:
  explicit EngineProcess(pid_t pid) : m_pid(pid) {}
  void KillAndReap();
  pid_t m_pid = -1;
  std::optional<int> m_status;
};

// Waits for a window with exactly this title; nullptr after `limit`, or as
// soon as `owner` (when given) has exited.
HWND WaitForWindow(std::u16string_view title, std::chrono::milliseconds limit, EngineProcess* owner = nullptr);

// Starts an engine program with `title` (which holds "<GUID>") as its
// command line and waits for its window of that title: the window, with
// the running program in *process; nullptr (and why, in *error) when the
// program does not start or shows no such window within `limit`.
HWND StartEngine(const std::filesystem::path& program, std::u16string_view title, std::chrono::milliseconds limit,
                 std::optional<EngineProcess>* process, std::string* error = nullptr);
HWND StartEngine(const std::filesystem::path& program, std::u16string_view title, std::chrono::milliseconds limit,
                 const SpawnOptions& options, std::optional<EngineProcess>* process, std::string* error = nullptr);

}  // namespace controller
