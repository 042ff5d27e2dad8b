#include "prefs/prefs_window.h"

#include "session/factories.h"

namespace tessaly {

std::vector<PreferencesPageInfo> find_preferences_pages(Host& host) {
  std::vector<PreferencesPageInfo> pages;
  for_each_factory(host, vorlane::kPreferencesPageClass,
                   [&](LoadedModule& module, vorlane::ServiceFactory& factory) {
                     auto* page = static_cast<vorlane::PreferencesPageService*>(factory.create());
                     if (!page)
                       return;
                     const char* name = page->page_name();
                     const char* parent = page->parent_page_name();
                     if (name && *name)
                       pages.push_back({module.file_name, &factory, name, parent ? parent : ""});
                     page->release();
                   });
  return pages;
}

namespace {

PageListEntry* find_entry(std::vector<PageListEntry>& entries, const std::string& name) {
  for (PageListEntry& entry : entries) {
    if (entry.name == name)
      return &entry;
    if (PageListEntry* found = find_entry(entry.children, name))
      return found;
  }
  return nullptr;
}

} // namespace

std::vector<PageListEntry> page_list(const std::vector<PreferencesPageInfo>& pages) {
  std::vector<PageListEntry> top;
  for (const PreferencesPageInfo& page : pages) {
    // A name met before as a parent becomes that page; a page listed already stays as it is.
    PageListEntry* own = find_entry(top, page.name);
    if (own) {
      if (!own->page)
        own->page = &page;
      bool at_top = own >= top.data() && own < top.data() + top.size();
      if (!at_top || page.parent.empty() || page.parent == page.name ||
          find_entry(own->children, page.parent))
        continue;
      // It was listed at the top as a bare parent; it moves below its own parent.
      PageListEntry moved = std::move(*own);
      top.erase(top.begin() + (own - top.data()));
      PageListEntry* parent = find_entry(top, page.parent);
      if (!parent) {
        top.push_back({page.parent, nullptr, {}});
        parent = &top.back();
      }
      parent->children.push_back(std::move(moved));
      continue;
    }
    if (page.parent.empty() || page.parent == page.name) {
      top.push_back({page.name, &page, {}});
      continue;
    }
    PageListEntry* parent = find_entry(top, page.parent);
    if (!parent) {
      top.push_back({page.parent, nullptr, {}});
      parent = &top.back();
    }
    parent->children.push_back({page.name, &page, {}});
  }
  return top;
}

PreferencesWindow::PreferencesWindow(Host& host) : host_(host) {}

PreferencesWindow::~PreferencesWindow() {
  close_page();
  destroy_frame();
}

bool PreferencesWindow::create(std::string* error) {
  if (window_)
    return true;
  pages_ = find_preferences_pages(host_);
  list_ = page_list(pages_);
  window_ = create_frame(error);
  if (!window_)
    return false;
  show_page_list();
  return true;
}

bool PreferencesWindow::open_page(const std::string& name, const std::string& parent,
                                  std::string* error) {
  const PreferencesPageInfo* info = nullptr;
  for (const PreferencesPageInfo& page : pages_) {
    if (page.name == name && page.parent == parent)
      info = &page;
  }
  std::string title = parent.empty() ? name : parent + " > " + name;
  if (!info) {
    *error = "no loaded module offers the preferences page " + title;
    return false;
  }
  if (info == open_info_ && page_)
    return true;
  close_page();
  auto* service = static_cast<vorlane::PreferencesPageService*>(info->factory->create());
  if (!service) {
    *error = info->module + ": the preferences page " + title + " is not available";
    return false;
  }
  HWND page = service->create_window(window_);
  if (!page) {
    service->release();
    *error = info->module + ": the preferences page " + title + " could not be created";
    return false;
  }
  page_ = page;
  page_service_ = service;
  open_info_ = info;
  place_page();
  return true;
}

void PreferencesWindow::close_page() {
  if (page_) {
    // The page's controls may already be gone with a window destroyed under it.
    if (IsWindow(page_))
      DestroyWindow(page_);
    page_ = nullptr;
  }
  if (page_service_) {
    page_service_->release();
    page_service_ = nullptr;
  }
  open_info_ = nullptr;
}

void PreferencesWindow::user_selected(const PageListEntry& entry) {
  if (!entry.page) {
    close_page();
    place_page();
    return;
  }
  if (entry.page == open_info_)
    return;
  std::string error;
  if (!open_page(entry.page->name, entry.page->parent, &error))
    Host::report(error);
}

void PreferencesWindow::user_closed() {
  close_page();
  destroy_frame();
}

bool PreferencesWindow::run(const std::function<void()>& after_message, std::string* error) {
  if (!window_) {
    *error = "the preferences window is not open";
    return false;
  }
  return run_frame(after_message, error);
}

} // namespace tessaly
