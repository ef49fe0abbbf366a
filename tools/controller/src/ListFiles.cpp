#include "ListFiles.h"

#include <fstream>
#include <iterator>

namespace controller {

namespace {

constexpr std::u16string_view kTagName = u"<TagName>";
constexpr std::u16string_view kTypePart = u"<//FolderType//> ";

std::u16string FromUtf16Le(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return text;
}

std::vector<std::u16string> Split(std::u16string_view text, std::u16string_view separator) {
  std::vector<std::u16string> parts;
  for (std::size_t at = 0;;) {
    const std::size_t end = text.find(separator, at);
    parts.emplace_back(text.substr(at, end == std::u16string_view::npos ? std::u16string_view::npos : end - at));
    if (end == std::u16string_view::npos) return parts;
    at = end + separator.size();
  }
}

// One level of a folder line: "Name (5)", then the type part when the
// folder has a container class.
struct Level {
  std::u16string name;
  std::int32_t count = 0;
  std::int32_t type = -1;
};

bool AllDigits(std::u16string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (char16_t c : text)
    if (c < u'0' || c > u'9') return false;
  return true;
}

std::int32_t Number(std::u16string_view digits) {
  std::int32_t n = 0;
  for (char16_t c : digits) n = n * 10 + (c - u'0');
  return n;
}

Level ParseLevel(std::u16string_view text) {
  Level level;
  if (const std::size_t type = text.rfind(kTypePart); type != std::u16string_view::npos) {
    const std::u16string_view digits = text.substr(type + kTypePart.size());
    if (AllDigits(digits)) {
      level.type = Number(digits);
      text = text.substr(0, type);
    }
  }
  const std::size_t open = text.rfind(u" (");
  if (open != std::u16string_view::npos && text.ends_with(u')')) {
    const std::u16string_view digits = text.substr(open + 2, text.size() - open - 3);
    if (AllDigits(digits)) {
      level.count = Number(digits);
      text = text.substr(0, open);
    }
  }
  level.name = std::u16string(text);
  return level;
}

}  // namespace

std::optional<std::vector<std::u16string>> ReadListFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::u16string> lines = Split(FromUtf16Le(bytes), u"\r\n");
  if (lines.back().empty()) lines.pop_back();  // after the last line's CR LF
  return lines;
}

bool WriteInputFile(const std::filesystem::path& file, const std::vector<std::u16string>& lines) {
  std::string bytes;
  for (const std::u16string& line : lines)
    for (char16_t unit : line + u"\n") bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

std::vector<ListedFolder> ParseFolderList(const std::vector<std::u16string>& lines, std::int32_t firstIndex) {
  std::vector<ListedFolder> folders;
  std::vector<std::u16string> chain;           // the raw levels of the folder last met, top first
  const std::u16string* repeatable = nullptr;  // a typed folder's line, which its leaf walk writes again
  auto add = [&](const std::vector<std::u16string>& raw, std::size_t depth) {
    ListedFolder folder;
    folder.entryIndex = firstIndex + static_cast<std::int32_t>(folders.size());
    for (std::size_t i = 0; i <= depth; ++i) folder.levels.push_back(ParseLevel(raw[i]).name);
    const Level own = ParseLevel(raw[depth]);
    folder.count = own.count;
    folder.folderType = own.type;
    folders.push_back(std::move(folder));
  };
  for (const std::u16string& line : lines) {
    if (repeatable && line == *repeatable) {
      repeatable = nullptr;
      continue;
    }
    const std::vector<std::u16string> raw = Split(line, kTagName);
    // The levels above this folder are folders met before it; a level not met
    // yet is a folder without a class that has sub-folders, so no line.
    std::size_t known = 0;
    while (known + 1 < raw.size() && known < chain.size() && chain[known] == raw[known]) ++known;
    chain.resize(known);
    for (std::size_t depth = known; depth < raw.size(); ++depth) {
      add(raw, depth);
      chain.push_back(raw[depth]);
    }
    repeatable = ParseLevel(raw.back()).type >= 0 ? &line : nullptr;
  }
  return folders;
}

std::vector<ShownBox> ReadMessageBoxes(const std::filesystem::path& log, std::uintmax_t* offset) {
  std::vector<ShownBox> boxes;
  std::ifstream in(log, std::ios::binary);
  if (!in) return boxes;
  in.seekg(static_cast<std::streamoff>(*offset));
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  constexpr std::string_view kStart = "message box\ncaption: ";
  std::size_t consumed = 0;
  for (std::size_t at = text.find(kStart); at != std::string::npos; at = text.find(kStart, at)) {
    const std::size_t caption = at + kStart.size();
    const std::size_t body = text.find("\ntext: ", caption);
    const std::size_t style = body == std::string::npos ? body : text.find("\nstyle: ", body);
    const std::size_t end = style == std::string::npos ? style : text.find("\n\n", style);
    if (end == std::string::npos) break;  // not whole yet
    boxes.push_back({text.substr(caption, body - caption), text.substr(body + 7, style - body - 7)});
    at = consumed = end + 2;
  }
  *offset += consumed;
  return boxes;
}

}  // namespace controller
