// What a terminal window shows for the bytes written to it, as far as the
// progress display uses one; shared by the tests that run the controller on
// a pseudo-terminal.
#pragma once

#include <clocale>
#include <cwchar>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace migrate_test {

// The columns text takes by the C library's tables.
inline std::size_t Columns(std::string_view utf8) {
  const locale_t utf8Locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  const locale_t before = ::uselocale(utf8Locale);
  std::mbstate_t state{};
  std::size_t width = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    wchar_t c;
    const std::size_t n = std::mbrtowc(&c, utf8.data() + at, utf8.size() - at, &state);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
      state = {};
      ++width, ++at;
      continue;
    }
    const int w = ::wcwidth(c);
    width += w > 0 ? static_cast<std::size_t>(w) : 0;
    at += n == 0 ? 1 : n;
  }
  ::uselocale(before);
  ::freelocale(utf8Locale);
  return width;
}

// A terminal window as far as the progress uses one: text that wraps at the
// last column, CR, LF, cursor up (CSI n A), erase to the end of the line
// (CSI K) and of the screen (CSI J); unbounded in height.
class Screen {
 public:
  explicit Screen(std::size_t columns) : columns_(columns) {}

  void Feed(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
      const char c = bytes[at];
      if (c == '\033' && at + 1 < bytes.size() && bytes[at + 1] == '[') {
        std::size_t end = at + 2;
        while (end < bytes.size() && !(bytes[end] >= 0x40 && bytes[end] <= 0x7E)) ++end;
        if (end == bytes.size()) return;
        Control(bytes[end], bytes.substr(at + 2, end - at - 2));
        at = end + 1;
      } else if (c == '\r') {
        col_ = 0, pendingWrap_ = false, ++at;
      } else if (c == '\n') {
        Row(++row_), pendingWrap_ = false, ++at;
      } else {
        std::size_t length = 1;
        while (at + length < bytes.size() && (bytes[at + length] & 0xC0) == 0x80) ++length;
        Put(bytes.substr(at, length));
        at += length;
      }
    }
  }

  // What the window shows: a row that wrapped goes on in the next without a break.
  std::string Text() const {
    std::string text;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      if (r > 0 && !rows_[r].continued) text += "\n";
      std::string line;
      for (const std::string& cell : rows_[r].cells) line += cell;
      text += line.substr(0, line.find_last_not_of(' ') + 1);
    }
    return text;
  }

 private:
  struct Line {
    std::vector<std::string> cells;  // one per column; "" behind a wide character
    bool continued = false;
  };
  Line& Row(std::size_t row) {
    if (rows_.size() <= row) rows_.resize(row + 1);
    return rows_[row];
  }
  void Control(char final, std::string_view parameter) {
    const std::size_t n = parameter.empty() ? 1 : std::stoul(std::string(parameter));
    Line& line = Row(row_);
    if (final == 'A') row_ -= std::min(n, row_);
    if (final == 'K' || final == 'J') {
      if (line.cells.size() > col_) line.cells.resize(col_);
      if (col_ == 0) line.continued = false;
    }
    if (final == 'J') rows_.resize(row_ + 1);
    pendingWrap_ = false;
  }
  void Put(std::string_view glyph) {
    const std::size_t width = Columns(glyph);
    if (pendingWrap_ || col_ + width > columns_) {
      col_ = 0;
      Row(++row_).continued = true;
    }
    Line& line = Row(row_);
    if (line.cells.size() < col_ + width) line.cells.resize(col_ + width, " ");
    line.cells[col_] = std::string(glyph);
    if (width == 2) line.cells[col_ + 1] = "";
    col_ += width;
    pendingWrap_ = col_ >= columns_;
  }

  std::vector<Line> rows_;
  std::size_t row_ = 0, col_ = 0;
  const std::size_t columns_;
  bool pendingWrap_ = false;
};

// The rows of Text(), one string each.
inline std::vector<std::string> ScreenRows(std::string_view bytes, std::size_t columns) {
  Screen screen(columns);
  screen.Feed(bytes);
  std::vector<std::string> rows;
  std::istringstream text(screen.Text());
  for (std::string row; std::getline(text, row);) rows.push_back(row);
  return rows;
}

}  // namespace migrate_test
