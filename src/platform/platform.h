// The platform layer: the only code that knows the operating system.
//
// Everything above it (conversion, projections, datum shift) is portable;
// it asks this layer for the file that holds the library code and shows its
// messages through it.
#pragma once

#include <cstddef>
#include <string>

namespace zonvert::platform {

// The template directory below an installation root, with the separators of
// the system: "/template/" on POSIX, "\\template\\" on Windows.
extern const char kTemplateSubdirectory[];

// Path of the file that holds the library code: the shared library when the
// code runs from one, otherwise the program it is linked into.  Empty when
// the system cannot tell.
std::string ModuleFileName();

// The icon of a message box: none for the parameter file's message, the
// exclamation mark for the grid files' messages.
enum class MessageIcon { kNone, kExclamation };

// A message for the user, with a caption, a text and an icon.  On Windows it
// is a modal message box with no owner window and an OK button; on POSIX
// systems the default sink writes one line "CAPTION: TEXT" to standard
// error (the icon has no counterpart there).
using MessageSink = void (*)(const char* caption, const char* text, MessageIcon icon);

// Shows a message through the current sink.
void ShowMessage(const char* caption, const char* text, MessageIcon icon);

// Replaces the sink; nullptr restores the platform default.  Returns the
// sink that was in place.  Tests use it to see what was shown.
MessageSink SetMessageSink(MessageSink sink);

// True when `path` names a pipe, a socket or a device: opening one can wait
// for a writer forever, and reading one may never end.  Data files are
// never read from such a path.  False for regular files, folders and paths
// that do not exist.
bool IsPipeOrDevice(const std::string& path);

// A whole file's contents in memory, read-only.  Reads through `data` cost
// no system call; the caller keeps every read below `size`.
//
// On POSIX systems the contents are copied into private memory when the
// file is opened: a file mapped directly would raise SIGBUS in the host at
// the first read past its end if another process cut it short while it is
// open.  On Windows the file is mapped (the system refuses to shorten a
// file while a view of it exists).
struct MappedFile {
  const unsigned char* data = nullptr;  // first byte; nullptr when size is 0
  std::size_t size = 0;                 // bytes of the file held
  std::size_t heldBytes = 0;            // bytes of memory held for it (POSIX)
  bool isOpen = false;                  // true between a successful map and its unmap
};

// Brings the file at `path` into memory, read-only.  An empty file maps
// with size 0; a file that shrinks while it is read keeps what was read.
// Returns false, leaving *mapped closed, when the file cannot be opened or
// read (missing, a directory, no permission, no memory).
bool MapFileReadOnly(const std::string& path, MappedFile* mapped);

// Releases a mapping made by MapFileReadOnly; a closed one is left alone.
void UnmapFile(MappedFile* mapped);

}  // namespace zonvert::platform
