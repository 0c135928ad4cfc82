// The platform layer: the only code that knows the operating system.
//
// Everything above it (conversion, projections, datum shift) is portable;
// it asks this layer for the file that holds the library code and shows its
// messages through it.
#pragma once

#include <string>

namespace zonvert::platform {

// The template directory below an installation root, with the separators of
// the system: "/template/" on POSIX, "\\template\\" on Windows.
extern const char kTemplateSubdirectory[];

// Path of the file that holds the library code: the shared library when the
// code runs from one, otherwise the program it is linked into.  Empty when
// the system cannot tell.
std::string ModuleFileName();

// A message for the user, with a caption and a text.  On Windows it is a
// modal message box with an OK button; on POSIX systems the default sink
// writes one line "CAPTION: TEXT" to standard error.
using MessageSink = void (*)(const char* caption, const char* text);

// Shows a message through the current sink.
void ShowMessage(const char* caption, const char* text);

// Replaces the sink; nullptr restores the platform default.  Returns the
// sink that was in place.  Tests use it to see what was shown.
MessageSink SetMessageSink(MessageSink sink);

}  // namespace zonvert::platform
