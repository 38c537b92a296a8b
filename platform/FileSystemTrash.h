#pragma once

namespace Platform {

// Moves a file or directory into the user's trash (the recycle bin on Windows). On POSIX this is the
// freedesktop.org trash, $XDG_DATA_HOME/Trash or else ~/.local/share/Trash: the entry goes to its
// files/ folder under a free name, and info/<name>.trashinfo records where it came from and when.
// Returns 0 or the system error code.
int moveToTrash(const char* path);

}  // namespace Platform
