#include "preferences_page.h"

#include "base/utf8_string.h"
#include "config/config_file.h"
#include "config/config_var.h"
#include "entry/host_access.h"
#include "platform/kestrel/kestrel.h"
#include "resource.h"

namespace vorlane {
namespace {

// The edit boxes in the order they are subclassed.
constexpr int kEditIds[] = {IDC_HEADER, IDC_FOOTER, IDC_FORMAT};

void store_edit_text(HWND edit, ConfigString& setting) {
  Utf8String text;
  uGetWindowText(edit, &text);
  setting.set_text(text.text());
}

} // namespace

HWND PreferencesPageBase::create_window(HWND parent) {
  return uCreateDialog(module_handle, IDD_PREFERENCES, parent, PreferencesDialogProc, 0);
}

void RefreshControls(HWND page) {
  uSetDlgItemText(page, IDC_HEADER, settings::header.get_text());
  uSetDlgItemText(page, IDC_FOOTER, settings::footer.get_text());
  uSetDlgItemText(page, IDC_FORMAT, settings::format.get_text());
  CheckDlgButton(page, IDC_AUTOCRLF, static_cast<UINT>(settings::autocrlf.get_value()));
}

void ResetConfig(HWND page) {
  settings::header.set_text("");
  settings::footer.set_text("");
  settings::format.set_text("");
  settings::autocrlf.set_value(1);
  RefreshControls(page);
}

INT_PTR CALLBACK PreferencesDialogProc(HWND window, UINT message, WPARAM first, LPARAM second) {
  if (message == WM_INITDIALOG) {
    RefreshControls(window);
    // The generic names, wide on Windows: installing a procedure with the A function would
    // make the edit an ANSI window, and every text passing through it would lose the characters
    // that the ANSI code page lacks.
    for (int id : kEditIds) {
      HWND edit = GetDlgItem(window, id);
      LONG_PTR previous =
          SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SelectAllEditProc));
      SetWindowLongPtr(edit, GWLP_USERDATA, previous);
    }
    return 1;
  }
  if (message != WM_COMMAND)
    return 0;
  HWND control = reinterpret_cast<HWND>(second);
  switch (first) {
  case MAKEWPARAM(IDC_HEADER, EN_CHANGE):
    store_edit_text(control, settings::header);
    break;
  case MAKEWPARAM(IDC_FORMAT, EN_CHANGE):
    store_edit_text(control, settings::format);
    break;
  case MAKEWPARAM(IDC_FOOTER, EN_CHANGE):
    store_edit_text(control, settings::footer);
    break;
  case MAKEWPARAM(IDC_AUTOCRLF, BN_CLICKED):
    settings::autocrlf.set_value(static_cast<int32_t>(uSendMessage(control, BM_GETCHECK, 0, 0)));
    break;
  case MAKEWPARAM(IDC_LOAD_CONFIG, BN_CLICKED):
    LoadConfig(window);
    break;
  case MAKEWPARAM(IDC_SAVE_CONFIG, BN_CLICKED):
    SaveConfig(window);
    break;
  case MAKEWPARAM(IDC_RESET_CONFIG, BN_CLICKED):
    ResetConfig(window);
    break;
  default:
    break;
  }
  return 0;
}

LRESULT CALLBACK SelectAllEditProc(HWND window, UINT message, WPARAM first, LPARAM second) {
  auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtr(window, GWLP_USERDATA));
  if (message == WM_KEYDOWN && first == 0x41 && (GetAsyncKeyState(VK_CONTROL) & 0x8000) &&
      !(GetAsyncKeyState(VK_MENU) & 0x8000)) {
    SendMessage(window, EM_SETSEL, 0, -1);
    return 0;
  }
  return CallWindowProc(previous, window, message, first, second);
}

} // namespace vorlane
