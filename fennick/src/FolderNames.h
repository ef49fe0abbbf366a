// The rules that turn a request's folder path into a Notes folder name: the
// extra final character dropped, no "|", bracketed levels rewritten, and a
// long path moved under "Exchange Files" with long levels shortened. The
// top level (before the first "\") is kept as it is.
#pragma once

#include "mfc/strings.h"

// Paths whose part after the top level is longer than this are rebuilt.
constexpr std::size_t kMaxFolderRest = 124;
// Levels longer than this are shortened to 20 + "..." + 20 characters.
constexpr std::size_t kMaxFolderLevel = 70;
constexpr char16_t kExchangeFilesFolder[] = u"Exchange Files";

// The Notes folder name of a request's path (all the rules, no numbering).
CString NotesFolderName(const CString& requestPath);

// The pieces, in the order the rules apply them.
// The top level; `path` keeps the rest (the whole path when it has no "\").
CString SplitFirstComponent(CString& path);
void ReplacePipes(CString& text);
// Levels that begin with "(" and end with ")" get "_" for every bracket;
// only when the path holds both a "(" and a ")".
void ReplaceParenComponents(CString& path);
CString ReplaceParenComponent(const CString& level);
// "Exchange Files" and every level of `path`, shortened.
CString BuildExchangeFolderPath(const CString& path);
CString ShortenFolderName(const CString& level);
