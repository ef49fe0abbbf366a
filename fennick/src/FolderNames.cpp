#include "FolderNames.h"

#include <vector>

namespace {

constexpr std::size_t kShortenedEnds = 20;

// The "\"-separated levels of a path; empty levels included.
std::vector<CString> Levels(const CString& path) {
  std::vector<CString> levels;
  std::size_t from = 0;
  for (std::size_t at; (at = path.find(u'\\', from)) != CString::npos; from = at + 1)
    levels.push_back(path.substr(from, at - from));
  levels.push_back(path.substr(from));
  return levels;
}

}  // namespace

CString NotesFolderName(const CString& requestPath) {
  CString rest = requestPath;
  const CString top = SplitFirstComponent(rest);
  // The request's path carries one extra final character.
  if (!rest.empty()) rest.pop_back();
  ReplacePipes(rest);
  ReplaceParenComponents(rest);
  if (rest.size() > kMaxFolderRest) rest = BuildExchangeFolderPath(rest);
  if (rest.size() > kMaxFolderRest) {
    const std::size_t last = rest.rfind(u'\\');
    if (last != CString::npos && last > 0) rest = kExchangeFilesFolder + rest.substr(last);
  }
  return top + u"\\" + rest;
}

CString SplitFirstComponent(CString& path) {
  const std::size_t at = path.find(u'\\');
  if (at == CString::npos) return CString();
  CString top = path.substr(0, at);
  path.erase(0, at + 1);
  return top;
}

void ReplacePipes(CString& text) {
  for (char16_t& c : text)
    if (c == u'|') c = u' ';
}

void ReplaceParenComponents(CString& path) {
  if (path.find(u'(') == CString::npos || path.find(u')') == CString::npos) return;
  CString joined;
  for (const CString& level : Levels(path)) {
    // Until something is joined, a level comes without its "\".
    if (!joined.empty()) joined += u'\\';
    joined += ReplaceParenComponent(level);
  }
  path = joined;
}

CString ReplaceParenComponent(const CString& level) {
  if (level.empty() || level.front() != u'(' || level.back() != u')') return level;
  CString replaced = level;
  for (char16_t& c : replaced)
    if (c == u'(' || c == u')') c = u'_';
  return replaced;
}

CString BuildExchangeFolderPath(const CString& path) {
  CString result = kExchangeFilesFolder;
  for (const CString& level : Levels(path)) result += u"\\" + ShortenFolderName(level);
  return result;
}

CString ShortenFolderName(const CString& level) {
  if (level.size() <= kMaxFolderLevel) return level;
  return level.substr(0, kShortenedEnds) + u"..." + level.substr(level.size() - kShortenedEnds);
}
