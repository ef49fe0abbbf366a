#include "ItemFiles.h"

#include <algorithm>
#include <fstream>

#include "ListFiles.h"
#include "win32/text.h"

namespace controller {

namespace fs = std::filesystem;

namespace {

std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

// A link of `from` at `to`, or a copy where the file system links no
// files; false (and why) when neither can be made. A file that is not
// there is no error: nothing is taken.
bool Take(const fs::path& from, const fs::path& to, std::uintmax_t& bytes, std::string* error) {
  std::error_code ec;
  const auto status = fs::symlink_status(from, ec);
  if (status.type() == fs::file_type::not_found) return true;
  if (status.type() != fs::file_type::regular) {
    *error = from.string() + " is no regular file";
    return false;
  }
  fs::create_hard_link(from, to, ec);
  if (ec) {
    ec.clear();
    fs::copy_file(from, to, ec);
  }
  if (ec) {
    *error = "cannot link or copy " + from.string() + ": " + ec.message();
    return false;
  }
  bytes += fs::file_size(to, ec);
  return true;
}

// The attachment list again, each entry's folder now `folder` (the importer
// joins folder and stored name as they stand, so it ends in a separator).
bool WriteAttachmentList(const fs::path& file, const std::vector<std::u16string>& lines, const fs::path& folder) {
  std::u16string text;
  const std::u16string where = U16(folder) + u"/";
  for (std::size_t i = 0; i + 2 < lines.size(); i += 3)
    text += lines[i] + u"\r\n" + lines[i + 1] + u"\r\n" + where + u"\r\n";
  std::string bytes;
  for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

bool TakeAll(const ItemPaths& item, const fs::path& queue, const std::string& name, TakenItem& taken,
             std::string* error) {
  auto own = [&](const std::u16string& path, std::u16string& to) {
    if (path.empty()) return true;
    const fs::path from = FromEngine(path);
    const fs::path target = queue / (name + "-" + from.filename().string());
    to = U16(target);
    if (!Take(from, target, taken.bytes, error)) return false;
    std::error_code ec;
    if (fs::exists(target, ec)) taken.files.push_back(target);
    return true;
  };
  if (!own(item.emlFile, taken.paths.emlFile) || !own(item.itemTextFile, taken.paths.itemTextFile) ||
      !own(item.membersFile, taken.paths.membersFile))
    return false;
  if (item.attachmentList.empty()) return true;
  const fs::path list = FromEngine(item.attachmentList);
  const auto lines = ReadListFile(list);
  if (!lines || lines->size() < 3) return own(item.attachmentList, taken.paths.attachmentList);  // names none
  const fs::path attachments = queue / name;
  std::error_code ec;
  for (std::size_t i = 0; i + 2 < lines->size(); i += 3) {
    const std::u16string& stored = (*lines)[i];
    if (stored.empty() || stored.find_first_of(u"/\\") != std::u16string::npos || stored == u"." || stored == u"..")
      continue;  // names no file of its folder: the importer says so
    const fs::path from = FromEngine((*lines)[i + 2]) / FromEngine(stored);
    if (fs::symlink_status(from, ec).type() == fs::file_type::not_found) continue;
    if (taken.files.empty() || taken.files.back() != attachments) {
      fs::create_directory(attachments, ec);
      if (ec) {
        *error = "cannot make " + attachments.string() + ": " + ec.message();
        return false;
      }
      taken.files.push_back(attachments);
    }
    const fs::path target = attachments / FromEngine(stored);
    if (fs::exists(target, ec)) continue;
    if (!Take(from, target, taken.bytes, error)) return false;
    taken.attachments.push_back(from);
  }
  const fs::path written = queue / (name + "-" + list.filename().string());
  taken.paths.attachmentList = U16(written);
  if (!WriteAttachmentList(written, *lines, attachments)) {
    *error = "cannot write " + written.string();
    return false;
  }
  const bool folder = !taken.files.empty() && taken.files.back() == attachments;
  taken.files.insert(taken.files.end() - (folder ? 1 : 0), written);
  taken.bytes += fs::file_size(written, ec);
  return true;
}

}  // namespace

fs::path FromEngine(std::u16string path) {
  std::replace(path.begin(), path.end(), u'\\', u'/');
  return fs::path(win32::Utf16ToUtf8(path));
}

std::vector<fs::path> AttachmentFiles(const fs::path& list) {
  std::vector<fs::path> files;
  const auto lines = ReadListFile(list);
  if (!lines) return files;
  for (std::size_t i = 0; i + 2 < lines->size(); i += 3)
    if (!(*lines)[i].empty()) files.push_back(FromEngine((*lines)[i + 2]) / FromEngine((*lines)[i]));
  return files;
}

std::optional<TakenItem> TakeItemFiles(const ItemPaths& item, const fs::path& queue, const std::string& name,
                                       std::string* error) {
  TakenItem taken;
  std::error_code ec;
  fs::create_directories(queue, ec);
  if (ec) {
    *error = "cannot make " + queue.string() + ": " + ec.message();
    return std::nullopt;
  }
  if (TakeAll(item, queue, name, taken, error)) return taken;
  for (const fs::path& file : taken.files) fs::remove_all(file, ec);
  // A file taken as the failure came is not listed yet.
  fs::remove_all(queue / name, ec);
  for (const auto& entry : fs::directory_iterator(queue, ec))
    if (entry.path().filename().string().starts_with(name + "-")) fs::remove(entry.path(), ec);
  return std::nullopt;
}

std::vector<fs::path> FilesBelow(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->is_regular_file(ec)) files.push_back(it->path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace controller
