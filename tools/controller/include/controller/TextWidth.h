// How wide UTF-8 text stands on a terminal, for the progress bars and the
// summary table: East Asian wide and fullwidth characters take two columns,
// combining marks and other zero-width characters none, the rest one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace controller {

// The columns the text takes; a byte that starts no valid character takes one.
std::size_t DisplayWidth(std::string_view utf8);

// The longest head of the text that takes at most `width` columns, cut
// between characters.
std::string HeadWithin(std::string_view utf8, std::size_t width);

// The text itself when it fits `width` columns, else "..." and the longest
// tail that fits with it (the end of a folder path says the most).
std::string TailWithin(std::string_view utf8, std::size_t width);

// The text with each control character (C0, DEL, C1) and each byte that
// starts no valid character as "?": a name from a mail file cannot move the
// cursor or change the terminal.
std::string Printable(std::string_view utf8);

// Blanks added on the right (or the left) up to `width` columns.
std::string PadRight(std::string_view utf8, std::size_t width);
std::string PadLeft(std::string_view utf8, std::size_t width);

}  // namespace controller
