// CD_INSERT_ITEM through the real engine: an item's files written as the
// extraction engine writes them (item text, MIME file, attachment list and
// stored attachment files), and the documents read back with nsfdump.
#pragma once

#include <openssl/evp.h>

#include <cstdlib>
#include <map>

#include "fennick_engine.h"

namespace fennick_test {

// One item of a document as nsfdump tells it: text and time items with
// their values, raw items with their type and their UTF-16 text.
struct Item {
  std::string name;
  std::string type;  // "text", "time" or the raw type
  std::vector<std::string> values;
  bool operator==(const Item&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Item& item) {
  out << "{" << item.name << " " << item.type;
  for (const auto& v : item.values) out << " \"" << v << "\"";
  return out << "}";
}
inline Item Text(std::string name, std::vector<std::string> values) { return {std::move(name), "text", values}; }
inline Item Time(std::string name, std::string value) { return {std::move(name), "time", {std::move(value)}}; }
inline Item Html(std::string text) { return {"Body", "21", {std::move(text)}}; }

// The fields of a mail item text; the lines as the extraction engine lays them out.
struct MailText {
  std::u16string typeLine = u"ITEM TYPE - EMAIL";
  std::u16string created = u"3/4/2024 9:05 AM";
  std::u16string from = u"Ann Item";
  std::u16string to = u"Bob Item";
  std::u16string cc = u"Cy Item";
  std::u16string bcc = u"Di Item";
  std::u16string subject = u"Item subject";
  std::u16string importance = u"1";
  std::u16string body = u"Item body\r\nsecond line";
};

// One listed attachment: the stored file (written when `content` is set),
// its display name and its folder (the attachment folder when empty).
struct Listed {
  std::u16string storedName;
  std::u16string displayName;
  std::optional<std::string> content = std::nullopt;
  std::u16string folder = u"";
};

class FennickInsert : public FennickEngine {
 protected:
  FennickInsert() : attachments_(machine_.scratch() / "work") {
    fs::create_directories(attachments_);
    setenv("TZ", "UTC", 1);  // received times read as local times
  }
  void SetUp() override {
    Start();
    ASSERT_EQ(CreateNsf(u"Box"), 1);
    ASSERT_EQ(CreateFolder(u"Mail\\Inbox\\"), 1);
    TakeReplies();
  }

  static void WriteUtf16(const fs::path& file, const std::u16string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (char16_t unit : text) out << static_cast<char>(unit & 0xFF) << static_cast<char>(unit >> 8);
  }
  fs::path ItemTextPath() const { return machine_.scratch() / "Mail.txt"; }
  fs::path EmlPath() const { return machine_.scratch() / "MSG1.eml"; }
  fs::path ListPath() const { return machine_.scratch() / "AttachmentList.txt"; }

  void WriteItemText(const std::u16string& text) { WriteUtf16(ItemTextPath(), text); }
  void WriteMail(const MailText& m) {
    WriteItemText(m.typeLine + u"\r\nCreation Date : " + m.created + u"\r\nRead Status : 0\r\nFrom : " + m.from +
                  u"\r\nTo : " + m.to + u"\r\nCC : " + m.cc + u"\r\nBcc : " + m.bcc + u"\r\nSubject : " + m.subject +
                  u"\r\nImportance : " + m.importance + u"\r\nBody : " + m.body);
  }
  void WriteEml(const std::string& message) { std::ofstream(EmlPath(), std::ios::binary | std::ios::trunc) << message; }

  // The attachment folder as the extraction engine names it, with its "\".
  std::u16string Folder() const { return U16(attachments_) + u"\\"; }
  // The list (its text given whole) and the stored files.
  void WriteList(const std::vector<Listed>& entries, const std::u16string& tail = u"") {
    std::u16string text;
    for (const Listed& e : entries) {
      const std::u16string folder = e.folder.empty() ? Folder() : e.folder;
      text += e.storedName + u"\r\n" + e.displayName + u"\r\n" + folder + u"\r\n";
      if (e.content) std::ofstream(attachments_ / win32::Utf16ToUtf8(e.storedName), std::ios::binary) << *e.content;
    }
    WriteUtf16(ListPath(), text + tail);
  }
  // The attachment folder's regular files by name, with their content.
  std::map<std::string, std::string> AttachmentFolder() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(attachments_)) {
      if (!entry.is_regular_file() || entry.is_symlink()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      files[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
  }

  LRESULT Insert(std::uint8_t plainBody = 0, const std::u16string& folder = u"Mail\\Inbox\\") {
    auto info = ItemInfo(folder, ItemTextPath());
    info->plainBody = plainBody;
    return Send(CD_INSERT_ITEM, *info);
  }

  nlohmann::json Database() { return Dump(out_ / "Box.nsf"); }
  // The last document of the database.
  nlohmann::json LastDocument() {
    const nlohmann::json dump = Database();
    return dump["documents"].empty() ? nlohmann::json() : dump["documents"].back();
  }
  // Its items; each checked for the flags every item carries.
  static std::vector<Item> Items(const nlohmann::json& document) {
    std::vector<Item> items;
    for (const auto& j : document["items"]) {
      EXPECT_EQ(j["flags"], 8) << j["name"];
      Item item{
          j["name"], j["type"].is_string() ? j["type"].get<std::string>() : std::to_string(j["type"].get<int>()), {}};
      if (j.contains("values"))
        item.values = j["values"].get<std::vector<std::string>>();
      else
        item.values = {j["text"].get<std::string>()};
      items.push_back(item);
    }
    return items;
  }
  // The document's items of one name.
  static std::vector<Item> ItemsNamed(const nlohmann::json& document, const std::string& name) {
    std::vector<Item> named;
    for (const Item& item : Items(document))
      if (item.name == name) named.push_back(item);
    return named;
  }
  // Attachment names with their content's digest.
  static std::vector<std::pair<std::string, std::string>> Attachments(const nlohmann::json& document) {
    std::vector<std::pair<std::string, std::string>> attached;
    for (const auto& a : document["attachments"]) attached.emplace_back(a["name"], a["sha256"]);
    return attached;
  }
  static std::string Sha256(const std::string& content) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(content.data(), content.size(), digest, &size, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned i = 0; i < size; ++i) hex += {"0123456789abcdef"[digest[i] >> 4], "0123456789abcdef"[digest[i] & 15]};
    return hex;
  }

  fs::path attachments_;
};

// A message as a mail program writes it; `headers` come first, each ended
// by CR LF, then the parts of `body` (a whole MIME body with its own
// Content-Type header lines given in `headers`).
inline std::string Message(const std::string& headers, const std::string& body) {
  return headers + "MIME-Version: 1.0\r\n" + body;
}

}  // namespace fennick_test
