// kestrel: the host's UTF-8 wrapper over the Windows user interface. Every text in and out is
// UTF-8; results that are texts land in a StringSink that the caller owns.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "platform/string_sink.h"
#include "platform/win32.h"

#if defined(_WIN32)
#if defined(KESTREL_BUILDING)
#define KESTREL_API extern "C" __declspec(dllexport)
#else
#define KESTREL_API extern "C" __declspec(dllimport)
#endif
#else
#define KESTREL_API extern "C" __attribute__((visibility("default")))
#endif

// Creates the modeless dialog of resource `id` in `instance`, a child of parent; null on failure.
KESTREL_API HWND uCreateDialog(HINSTANCE instance, UINT id, HWND parent, DLGPROC procedure,
                               LPARAM parameter);
KESTREL_API BOOL uSetDlgItemText(HWND dialog, int id, const char* text);
// Puts the whole text of window into out.
KESTREL_API BOOL uGetWindowText(HWND window, vorlane::StringSink* out);
KESTREL_API LRESULT uSendMessage(HWND window, UINT message, WPARAM first, LPARAM second);
// Shows the file dialog (save != 0: for saving). filter is "Description|pattern|...". Non-zero
// when the user confirmed a file, whose path is then in result.
KESTREL_API BOOL uGetOpenFileName(HWND owner, const char* filter, UINT filter_index,
                                  const char* default_extension, const char* title,
                                  const char* initial_folder, vorlane::StringSink* result,
                                  BOOL save);
// printf into out (replacing its content).
KESTREL_API BOOL uPrintfV(vorlane::StringSink* out, const char* format, va_list arguments);

// Automation: the answer of the next file dialog, which is then not shown. A path confirms that
// file, "cancel" cancels, null forgets a pending answer.
KESTREL_API void kestrel_answer_next_file_dialog(const char* answer);

// What the last uGetOpenFileName call was given, so that tests can see what a module asked for.
// Texts are kestrel's copies, null where the caller passed null, valid until the next call.
struct KestrelFileDialogCall {
  uint32_t number; // calls so far in this process, this one included
  HWND owner;
  const char* filter;
  UINT filter_index;
  const char* default_extension;
  const char* title;
  const char* initial_folder;
  const vorlane::StringSink* result;
  uint32_t result_length; // the result's length when the call began
  BOOL save;
};
// False, and call untouched, before the first file dialog.
KESTREL_API BOOL kestrel_last_file_dialog(KestrelFileDialogCall* call);
