// Fennick's hidden engine window: the controlling program's requests to
// create a Notes database and its folders and to insert one exported item,
// served by the Notes engine it holds; failures are answered with the
// engine's error text (CD_NOTES_ERROR).
#pragma once

#include <cstdint>

#include "NotesEngine.h"
#include "engine/EngineWindow.h"
#include "fennick/FennickRecords.h"

class CFennickDlg : public engine::CEngineDlg {
 public:
  explicit CFennickDlg(CWnd* pParent = nullptr);

  CNotesEngine m_engine;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);

  DECLARE_MESSAGE_MAP()

 private:
  BOOL OnCreateNsf(HWND requester, const CREATE_FILE_INFO& info);
  BOOL OnCreateFolder(HWND requester, const CREATE_FOLDER_INFO& info);
  BOOL OnInsertItem(HWND requester, const MIME_FILE_INFO& info);
  // Runs an engine step; a Notes status or any other exception out of it
  // is a failure (0), its status's message the error text.
  template <class Step>
  std::int32_t Guarded(Step step);
  // CD_NOTES_ERROR with the engine's error text, or `fallback` when the
  // failure left none.
  void ReplyFailure(HWND requester, const char16_t* fallback);
};

// WM_COPYDATA {code, size, data} to the window, wParam 0; nothing without a window.
LRESULT SendCopyData(HWND window, DWORD code, const void* data, DWORD size);
// CD_NOTES_ERROR with the text cut to 1023 characters.
void SendErrorReply(HWND window, const CString& text);
