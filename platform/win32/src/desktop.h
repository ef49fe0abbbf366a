// The desktop folder: one listening socket per window, its published title
// and class beside it, and the socket I/O the message layer needs.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "win32/types.h"

namespace win32::desktop {

std::string HexName(DWORD value);
std::filesystem::path SocketPath(DWORD value);

// A listening, non-blocking socket for `value`; -1 with errno set when the
// name is taken or the socket cannot be made (ENAMETOOLONG for a path that
// does not fit a Unix socket address).
int Listen(DWORD value);
// A blocking connection to the window, or -1 when nobody listens there.
int Connect(DWORD value);
// Connects and hangs up: whether a live window listens on `value`.
bool Probe(DWORD value);

// Published facts about a window ("title", "class"), replaced atomically.
bool Publish(DWORD value, const char* what, const std::string& utf8);
std::optional<std::string> ReadPublished(DWORD value, const char* what);
// Removes the socket and everything published for the window.
void Unpublish(DWORD value);
// Windows that have a published title, live or stale.
std::vector<DWORD> PublishedWindows();

// Whole-buffer socket I/O; ReadAll returns the bytes read before EOF or error.
bool WriteAll(int fd, const void* data, std::size_t size);
std::size_t ReadAll(int fd, void* data, std::size_t size);

}  // namespace win32::desktop
