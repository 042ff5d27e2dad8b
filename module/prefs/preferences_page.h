// The "Custom" preferences page, listed under "Telvane". The page object carries no data: the
// settings it edits are the configuration variables, and every change in a control is stored
// in its variable at once.
#pragma once

#include "entry/host_interface.h"
#include "platform/win32.h"

namespace vorlane {

// The page's behaviour; reference counting is left to the layer that owns the object.
class PreferencesPageBase : public PreferencesPageService {
public:
  HostService* query(const Guid*) override { return nullptr; }
  HWND create_window(HWND parent) override;
  const char* page_name() override { return "Custom"; }
  const char* parent_page_name() override { return "Telvane"; }
};

// The single instance, which lives as long as the module: counting does nothing.
class PreferencesPage final : public PreferencesPageBase {
public:
  int32_t release() override { return 1; }
  int32_t add_ref() override { return 1; }
};

INT_PTR CALLBACK PreferencesDialogProc(HWND window, UINT message, WPARAM first, LPARAM second);
LRESULT CALLBACK SelectAllEditProc(HWND window, UINT message, WPARAM first, LPARAM second);
// Shows the current settings in the page's controls.
void RefreshControls(HWND page);
// The defaults: three empty texts and the line end on.
void ResetConfig(HWND page);

} // namespace vorlane
