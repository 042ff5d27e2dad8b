// kestrel on Windows: UTF-8 in and out, the wide-character functions underneath.
#include "kestrel_internal.h"

#include <commdlg.h>

#include <string>

namespace {

std::wstring widen(const char* text) {
  if (!text || !*text)
    return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (n <= 1)
    return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
  wide.resize(static_cast<size_t>(n - 1));
  return wide;
}

void assign_narrowed(vorlane::StringSink* out, const wchar_t* text, int count) {
  if (count <= 0) {
    out->reset();
    return;
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, text, count, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, count, narrow.data(), n, nullptr, nullptr);
  out->assign(narrow.data(), static_cast<uint32_t>(narrow.size()));
}

// "Description|pattern|..." becomes the dialog's "Description\0pattern\0...\0\0".
std::wstring filter_list(const char* filter) {
  std::wstring list = widen(filter);
  for (wchar_t& c : list) {
    if (c == L'|')
      c = L'\0';
  }
  list.push_back(L'\0');
  list.push_back(L'\0');
  return list;
}

} // namespace

KESTREL_API HWND uCreateDialog(HINSTANCE instance, UINT id, HWND parent, DLGPROC procedure,
                               LPARAM parameter) {
  return CreateDialogParamW(instance, MAKEINTRESOURCEW(id), parent, procedure, parameter);
}

KESTREL_API BOOL uSetDlgItemText(HWND dialog, int id, const char* text) {
  return SetDlgItemTextW(dialog, id, widen(text).c_str());
}

KESTREL_API BOOL uGetWindowText(HWND window, vorlane::StringSink* out) {
  if (!out)
    return FALSE;
  out->reset();
  if (!IsWindow(window))
    return FALSE;
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  int n = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  assign_narrowed(out, text.data(), n);
  return TRUE;
}

// Parameters pass unchanged: messages that carry texts are the caller's to convert.
KESTREL_API LRESULT uSendMessage(HWND window, UINT message, WPARAM first, LPARAM second) {
  return SendMessageW(window, message, first, second);
}

KESTREL_API BOOL uGetOpenFileName(HWND owner, const char* filter, UINT filter_index,
                                  const char* default_extension, const char* title,
                                  const char* initial_folder, vorlane::StringSink* result,
                                  BOOL save) {
  kestrel::record_file_dialog(owner, filter, filter_index, default_extension, title, initial_folder,
                              result, save);
  switch (kestrel::take_file_answer(result)) {
  case kestrel::FileAnswer::Path:
    return TRUE;
  case kestrel::FileAnswer::Cancel:
    return FALSE;
  case kestrel::FileAnswer::None:
    break;
  }
  if (!result)
    return FALSE;
  std::wstring filters = filter_list(filter);
  std::wstring extension = widen(default_extension);
  std::wstring caption = widen(title);
  std::wstring folder = widen(initial_folder);
  // The result's text, if any, is the name the dialog proposes.
  std::wstring path = widen(result->text());
  path.resize(32768, L'\0');

  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter && *filter ? filters.c_str() : nullptr;
  dialog.nFilterIndex = filter_index;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  // The host's working folder is not the dialog's to change.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                 (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)))
    return FALSE;
  assign_narrowed(result, path.c_str(), static_cast<int>(wcslen(path.c_str())));
  return TRUE;
}
