// Reads a PST file back through libpff's public API into plain structures,
// so that tests compare what a reader sees with what was described.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pstgen_test {

using Bytes = std::vector<std::uint8_t>;

struct Entry {
  std::uint32_t tag;  // entry type << 16 | value type; named ones keep their mapped ID
  Bytes data;
  bool named = false;
  Bytes guid;  // named: property set as stored
  bool isString = false;
  std::uint32_t lid = 0;
  std::string name;
  // A single-valued string as libpff converts it (8-bit ones in the file's
  // ASCII code page).
  std::optional<std::string> text;
};

struct Item {
  std::vector<Entry> entries;
  const Entry* Find(std::uint32_t tag) const;
  const Entry* FindNamed(const Bytes& guid, std::uint32_t lid) const;
  const Entry* FindNamed(const Bytes& guid, const std::string& name) const;
};

struct ReadMessage;

struct ReadAttachment {
  int type = 0;  // LIBPFF_ATTACHMENT_TYPE_*
  Bytes data;    // for data attachments
  Item props;
  std::unique_ptr<ReadMessage> message;
};

struct ReadMessage {
  std::uint32_t id = 0;  // the message's NID
  Item props;
  std::string rtf;  // the RTF body as libpff decompresses it
  std::vector<Item> recipients;
  std::vector<ReadAttachment> attachments;
};

struct ReadFolder {
  std::uint32_t id = 0;  // the folder's NID
  std::string name;
  Item props;
  std::vector<ReadMessage> messages;
  std::vector<ReadFolder> folders;
  const ReadFolder* Child(const std::string& name) const;
};

struct ReadFile {
  bool ansi = false;  // libpff reports a 32-bit file
  Item store;
  ReadFolder root;
};

// Throws std::runtime_error with libpff's message on any failure.
// asciiCodePage: the code page libpff converts 8-bit strings in.
ReadFile ReadPst(const std::filesystem::path& path, int asciiCodePage = 1252);

std::string Sha256(const Bytes& data);

}  // namespace pstgen_test

namespace pstgen_test {

// Messages per folder path ("Top of Personal Folders/Inbox"), without
// reading the messages themselves.
std::map<std::string, int> CountMessages(const std::filesystem::path& path);

struct ItemTotals {
  std::uint64_t messages = 0;     // including embedded ones
  std::uint64_t recipients = 0;
  std::uint64_t attachments = 0;
  std::uint64_t attachmentBytes = 0;
  std::uint64_t withRtf = 0;
};

// Opens every message's recipient table and attachments (embedded messages
// too) through libpff, reading sizes but not contents; throws on any error.
ItemTotals WalkEveryItem(const std::filesystem::path& path);

}  // namespace pstgen_test
