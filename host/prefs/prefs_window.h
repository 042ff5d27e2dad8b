// The host's preferences window: every page that the loaded modules offer, listed under its
// parent page, and the one page that is open. A page is created by its page service with the
// window as parent and destroyed by the host when it is closed; the page service reference is
// held exactly as long as the page window exists. On Windows this is a real window (hidden when
// the host drives the page itself); on Linux a winlite window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "entry/host_interface.h"
#include "session/host.h"

namespace tessaly {

struct PreferencesPageInfo {
  std::string module; // file name of the module that offers it
  vorlane::ServiceFactory* factory = nullptr;
  std::string name;
  std::string parent; // empty: listed at the top
};

// Every preferences page of the loaded modules, module by module in factory-list order. Each
// page service is asked for its names and given back at once.
std::vector<PreferencesPageInfo> find_preferences_pages(Host& host);

// What the window lists: top-level names, each with the pages below it. A parent need not be a
// page itself (the component that would offer it may not be loaded); then page is null.
struct PageListEntry {
  std::string name;
  const PreferencesPageInfo* page = nullptr;
  std::vector<PageListEntry> children;
};
std::vector<PageListEntry> page_list(const std::vector<PreferencesPageInfo>& pages);

class PreferencesWindow {
public:
  explicit PreferencesWindow(Host& host);
  ~PreferencesWindow();
  PreferencesWindow(const PreferencesWindow&) = delete;
  PreferencesWindow& operator=(const PreferencesWindow&) = delete;

  // Creates the window with its page list, hidden: the host can drive a page in it as it is, and
  // run shows it to the user.
  bool create(std::string* error);
  // Opens the page of that name under that parent in place of the open one.
  bool open_page(const std::string& name, const std::string& parent, std::string* error);
  // Destroys the open page window, then gives the page service back. Nothing when none is open.
  void close_page();
  // Shows the window and handles its messages until the user closes it; after_message runs
  // after every message handled, and once before the first. False, with error, when this build
  // cannot show a window.
  bool run(const std::function<void()>& after_message, std::string* error);
  // Handles the messages that are waiting, as a running window would.
  void handle_pending_messages() { pump_messages(); }
  // What the user chose in the page list: its page opens, or none for a name that is no page.
  void user_selected(const PageListEntry& entry);
  // The user closed the window: the page closes, then the window.
  void user_closed();

  HWND window() const { return window_; }
  HWND page() const { return page_; }
  const PreferencesPageInfo* open_page_info() const { return open_info_; }
  const std::vector<PreferencesPageInfo>& pages() const { return pages_; }

  // False when this build cannot show a window to the user (Linux: winlite is headless).
  static bool can_show();
  // Text for the frame's title bar.
  static constexpr const char* kTitle = "tessaly Preferences";

  // The target's own parts of the window (the page list control and such).
  struct Frame;

private:
  // The parts that differ between the targets (prefs_window_win32.cpp / _posix.cpp).
  HWND create_frame(std::string* error);
  void show_page_list();
  void place_page();
  void destroy_frame();
  bool run_frame(const std::function<void()>& after_message, std::string* error);
  void pump_messages();

  Host& host_;
  std::vector<PreferencesPageInfo> pages_;
  std::vector<PageListEntry> list_;
  HWND window_ = nullptr;
  HWND page_ = nullptr;
  vorlane::PreferencesPageService* page_service_ = nullptr;
  const PreferencesPageInfo* open_info_ = nullptr;
  Frame* frame_ = nullptr;
};

// Replaces the whole text of an edit box as typing over a selection does: select everything,
// then replace the selection, so that the edit reports the change itself.
void replace_edit_text(HWND edit, const std::string& text);

} // namespace tessaly
