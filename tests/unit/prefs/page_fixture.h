// A page window from the module's own factory, on a parent window of the test's, with the four
// settings saved before and put back after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_var.h"
#include "entry/component_client.h"
#include "platform/kestrel/kestrel.h"
#include "prefs/preferences_page.h"
#include "prefs/resource.h"
#include "support/fake_host.h"
#include "support/test_instance.h"
#include "support/test_windows.h"

namespace pagetest {

// Text of two, three and four bytes a character: what a code page would lose.
inline constexpr char kWide[] = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"; // é€😀

// The page service as the host finds it: through the factory list, by class.
inline vorlane::PreferencesPageService* page_service() {
  for (vorlane::ServiceFactory* node = vorlane::component_client.factory_list(); node;
       node = node->next) {
    if (node->class_id == vorlane::kPreferencesPageClass)
      return static_cast<vorlane::PreferencesPageService*>(node->create());
  }
  return nullptr;
}

struct Settings {
  std::string header, footer, format;
  int32_t autocrlf;

  static Settings current() {
    return {vorlane::settings::header.get_text(), vorlane::settings::footer.get_text(),
            vorlane::settings::format.get_text(), vorlane::settings::autocrlf.get_value()};
  }
  void apply() const {
    vorlane::settings::header.set_text(header.c_str());
    vorlane::settings::footer.set_text(footer.c_str());
    vorlane::settings::format.set_text(format.c_str());
    vorlane::settings::autocrlf.set_value(autocrlf);
  }
};

inline std::string window_text(HWND window) {
  vorlane::Utf8String text;
  uGetWindowText(window, &text);
  return text.text();
}

inline std::string item_text(HWND page, int id) {
  return window_text(GetDlgItem(page, id));
}

// The setting that the edit with this id edits.
inline const char* setting_text(int id) {
  switch (id) {
  case IDC_HEADER:
    return vorlane::settings::header.get_text();
  case IDC_FOOTER:
    return vorlane::settings::footer.get_text();
  default:
    return vorlane::settings::format.get_text();
  }
}

class PageTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = Settings::current();
    tessaly_get_interface(&host, test_instance());
    parent = testwin::create_parent();
    ASSERT_NE(nullptr, parent);
    service = page_service();
    ASSERT_NE(nullptr, service);
  }

  void TearDown() override {
    close_page();
    if (parent)
      DestroyWindow(parent);
    if (service)
      service->release();
    kestrel_answer_next_file_dialog(nullptr);
    saved_.apply();
  }

  // Puts these settings in place, then creates the page, which shows them.
  HWND open_page(const Settings& settings) {
    settings.apply();
    page = service->create_window(parent);
    return page;
  }

  void close_page() {
    if (page && IsWindow(page))
      DestroyWindow(page);
    page = nullptr;
  }

  fake::Host host;
  HWND parent = nullptr;
  HWND page = nullptr;
  vorlane::PreferencesPageService* service = nullptr;

private:
  Settings saved_;
};

// Records the messages a window receives and hands them on to the procedure it replaced.
struct MessageRecorder {
  struct Seen {
    UINT message;
    WPARAM first;
  };
  WNDPROC previous = nullptr;
  std::vector<Seen> seen;

  bool saw(UINT message, WPARAM first) const {
    for (const Seen& entry : seen) {
      if (entry.message == message && entry.first == first)
        return true;
    }
    return false;
  }
  static MessageRecorder*& active() {
    static MessageRecorder* recorder = nullptr;
    return recorder;
  }
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM first, LPARAM second) {
    MessageRecorder* recorder = active();
    recorder->seen.push_back({message, first});
    return CallWindowProc(recorder->previous, window, message, first, second);
  }
};

} // namespace pagetest
