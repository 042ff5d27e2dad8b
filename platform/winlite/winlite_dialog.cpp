// The dialog manager: compiled resources, DIALOGEX templates, dialog windows and their default
// procedure.
#include <cstring>

#include "winlite_internal.h"

namespace winlite {
namespace {

// winlite has no fonts. Every dialog gets the base units that an 8-point "MS Shell Dlg" has on a
// Windows desktop at 96 dots per inch: 6 pixels per 4 horizontal dialog units, 13 per 8
// vertical ones.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

struct Registration {
  HINSTANCE module;
  std::vector<unsigned char> bytes; // .res format
};

std::vector<Registration>& registrations() {
  static auto* list = new std::vector<Registration>;
  return *list;
}

// Reads little-endian fields of a compiled resource without ever leaving its bytes.
class Reader {
public:
  Reader(const unsigned char* data, size_t size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }
  size_t position() const { return position_; }
  void seek(size_t position) {
    if (position > size_)
      ok_ = false;
    else
      position_ = position;
  }
  void align4() { seek((position_ + 3) & ~static_cast<size_t>(3)); }
  uint16_t u16() {
    if (!ok_ || size_ - position_ < 2) {
      ok_ = false;
      return 0;
    }
    uint16_t v = static_cast<uint16_t>(data_[position_] | data_[position_ + 1] << 8);
    position_ += 2;
    return v;
  }
  uint32_t u32() {
    uint32_t low = u16();
    return low | static_cast<uint32_t>(u16()) << 16;
  }
  uint8_t u8() {
    if (!ok_ || position_ >= size_) {
      ok_ = false;
      return 0;
    }
    return data_[position_++];
  }
  // A NUL-terminated UTF-16 text, as UTF-8.
  std::string text() {
    std::string out;
    for (;;) {
      uint32_t unit = u16();
      if (!ok_ || unit == 0)
        return out;
      uint32_t code_point = unit;
      if (unit >= 0xD800 && unit < 0xDC00) {
        size_t before = position_;
        uint32_t low = u16();
        if (low >= 0xDC00 && low < 0xE000)
          code_point = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        else
          seek(before);
      }
      append_utf8(out, code_point);
    }
  }
  // A name or an ordinal (0xFFFF then the number); an absent one (0) reads as empty.
  struct NameOrOrdinal {
    bool is_ordinal = false;
    uint16_t ordinal = 0;
    std::string name;
  };
  NameOrOrdinal name_or_ordinal() {
    NameOrOrdinal result;
    size_t start = position_;
    uint16_t first = u16();
    if (first == 0xFFFF) {
      result.is_ordinal = true;
      result.ordinal = u16();
    } else if (first != 0) {
      seek(start);
      result.name = text();
    }
    return result;
  }

private:
  static void append_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  const unsigned char* data_;
  size_t size_;
  size_t position_ = 0;
  bool ok_ = true;
};

// Resource names compare as the resource compiler stores them: upper case.
bool name_matches(const Reader::NameOrOrdinal& stored, const char* wanted) {
  if (IS_INTRESOURCE(wanted))
    return stored.is_ordinal && stored.ordinal == reinterpret_cast<UINT_PTR>(wanted);
  if (stored.is_ordinal || stored.name.size() != std::strlen(wanted))
    return false;
  for (size_t i = 0; i < stored.name.size(); ++i) {
    char c = wanted[i];
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - ('a' - 'A'));
    if (stored.name[i] != c)
      return false;
  }
  return true;
}

struct ItemTemplate {
  DWORD style;
  DWORD ex_style;
  short x, y, cx, cy;
  DWORD id;
  std::string class_name;
  std::string text;
  std::vector<unsigned char> creation_data;
};

struct DialogTemplate {
  DWORD style;
  DWORD ex_style;
  short x, y, cx, cy;
  std::string class_name; // empty: the dialog class
  std::string title;
  std::vector<ItemTemplate> items;
};

const char* predefined_class(uint16_t ordinal) {
  switch (ordinal) {
  case 0x0080:
    return "Button";
  case 0x0081:
    return "Edit";
  case 0x0082:
    return "Static";
  case 0x0083:
    return "ListBox";
  case 0x0084:
    return "ScrollBar";
  case 0x0085:
    return "ComboBox";
  default:
    return "";
  }
}

// Parses a DLGTEMPLATEEX; the old DLGTEMPLATE form is not supported.
bool parse_template(const std::vector<unsigned char>& bytes, DialogTemplate& out) {
  Reader in(bytes.data(), bytes.size());
  if (in.u16() != 1 || in.u16() != 0xFFFF)
    return false;
  in.u32(); // help id
  out.ex_style = in.u32();
  out.style = in.u32();
  uint16_t count = in.u16();
  out.x = static_cast<short>(in.u16());
  out.y = static_cast<short>(in.u16());
  out.cx = static_cast<short>(in.u16());
  out.cy = static_cast<short>(in.u16());
  in.name_or_ordinal(); // menu: winlite has no menus
  Reader::NameOrOrdinal window_class = in.name_or_ordinal();
  out.class_name = window_class.is_ordinal ? "" : window_class.name;
  out.title = in.text();
  if (out.style & DS_SETFONT) {
    in.u16(); // point size
    in.u16(); // weight
    in.u8();  // italic
    in.u8();  // character set
    in.text();
  }
  for (uint16_t i = 0; i < count && in.ok(); ++i) {
    in.align4();
    ItemTemplate item;
    in.u32(); // help id
    item.ex_style = in.u32();
    item.style = in.u32();
    item.x = static_cast<short>(in.u16());
    item.y = static_cast<short>(in.u16());
    item.cx = static_cast<short>(in.u16());
    item.cy = static_cast<short>(in.u16());
    item.id = in.u32();
    Reader::NameOrOrdinal control_class = in.name_or_ordinal();
    item.class_name =
        control_class.is_ordinal ? predefined_class(control_class.ordinal) : control_class.name;
    Reader::NameOrOrdinal text = in.name_or_ordinal();
    item.text = text.is_ordinal ? "" : text.name;
    uint16_t extra = in.u16();
    for (uint16_t b = 0; b < extra && in.ok(); ++b)
      item.creation_data.push_back(in.u8());
    out.items.push_back(std::move(item));
  }
  return in.ok();
}

// MulDiv: rounded half away from zero.
LONG scale(LONG value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<LONG>(product >= 0 ? (product + half) / denominator
                                        : -((-product + half) / denominator));
}

bool returns_procedure_result(UINT message) {
  // The messages whose answer is the dialog procedure's own result rather than DWLP_MSGRESULT.
  constexpr UINT kCompareItem = 0x0039, kVKeyToItem = 0x002E, kCharToItem = 0x002F,
                 kQueryDragIcon = 0x0037, kCtlColorFirst = 0x0132, kCtlColorLast = 0x0138;
  return message == WM_INITDIALOG || message == kCompareItem || message == kVKeyToItem ||
         message == kCharToItem || message == kQueryDragIcon ||
         (message >= kCtlColorFirst && message <= kCtlColorLast);
}

} // namespace

bool find_resource(HINSTANCE module, const char* type, const char* name,
                   std::vector<unsigned char>& bytes) {
  for (const Registration& registration : registrations()) {
    if (registration.module != module)
      continue;
    const std::vector<unsigned char>& res = registration.bytes;
    size_t entry = 0;
    while (entry + 8 <= res.size()) {
      Reader in(res.data(), res.size());
      in.seek(entry);
      uint32_t data_size = in.u32();
      uint32_t header_size = in.u32();
      Reader::NameOrOrdinal stored_type = in.name_or_ordinal();
      Reader::NameOrOrdinal stored_name = in.name_or_ordinal();
      size_t data = entry + header_size;
      if (!in.ok() || header_size < 8 || data > res.size() || res.size() - data < data_size)
        return false;
      if (name_matches(stored_type, type) && name_matches(stored_name, name)) {
        bytes.assign(res.begin() + static_cast<long>(data),
                     res.begin() + static_cast<long>(data + data_size));
        return true;
      }
      entry = (data + data_size + 3) & ~static_cast<size_t>(3);
    }
    return false;
  }
  return false;
}

} // namespace winlite

using winlite::find_window;
using winlite::Window;

WINLITE_API void winlite_register_resources(HINSTANCE module, const void* resources,
                                            unsigned long size) {
  if (!resources)
    return;
  // A copy: the image may be unloaded, and a later image at the same base replaces it.
  const auto* bytes = static_cast<const unsigned char*>(resources);
  std::vector<unsigned char> copy(bytes, bytes + size);
  for (winlite::Registration& registration : winlite::registrations()) {
    if (registration.module == module) {
      registration.bytes = std::move(copy);
      return;
    }
  }
  winlite::registrations().push_back({module, std::move(copy)});
}

WINLITE_API HWND CreateDialogParamA(HINSTANCE instance, const char* template_name, HWND parent,
                                    DLGPROC procedure, LPARAM parameter) {
  std::vector<unsigned char> bytes;
  winlite::DialogTemplate dialog;
  if (!winlite::find_resource(instance, RT_DIALOG, template_name, bytes) ||
      !winlite::parse_template(bytes, dialog))
    return nullptr;

  using winlite::kBaseUnitX;
  using winlite::kBaseUnitY;
  using winlite::scale;
  // Created hidden; shown, if the template says so, once WM_INITDIALOG has run.
  HWND handle = CreateWindowExA(
      dialog.ex_style, dialog.class_name.empty() ? WC_DIALOG : dialog.class_name.c_str(),
      dialog.title.c_str(), dialog.style & ~static_cast<DWORD>(WS_VISIBLE),
      scale(dialog.x, kBaseUnitX, 4), scale(dialog.y, kBaseUnitY, 8),
      scale(dialog.cx, kBaseUnitX, 4), scale(dialog.cy, kBaseUnitY, 8), parent, nullptr, instance,
      nullptr);
  if (!handle)
    return nullptr;
  Window* window = find_window(handle);
  window->base_x = kBaseUnitX;
  window->base_y = kBaseUnitY;
  SetWindowLongPtrA(handle, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));

  HWND focus = nullptr;
  for (const winlite::ItemTemplate& item : dialog.items) {
    // Position and size are mapped separately, so a control's size does not depend on where it
    // sits.
    HWND control = CreateWindowExA(
        item.ex_style, item.class_name.c_str(), item.text.c_str(), item.style | WS_CHILD,
        scale(item.x, kBaseUnitX, 4), scale(item.y, kBaseUnitY, 8), scale(item.cx, kBaseUnitX, 4),
        scale(item.cy, kBaseUnitY, 8), handle,
        reinterpret_cast<void*>(static_cast<UINT_PTR>(item.id)), instance,
        item.creation_data.empty() ? nullptr
                                   : const_cast<unsigned char*>(item.creation_data.data()));
    if (!control) {
      DestroyWindow(handle);
      return nullptr;
    }
    if (!focus && (item.style & WS_TABSTOP))
      focus = control;
  }

  SendMessageA(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), parameter);
  window = find_window(handle);
  if (!window)
    return nullptr;
  if (dialog.style & WS_VISIBLE)
    window->style |= WS_VISIBLE;
  return handle;
}

WINLITE_API LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM first, LPARAM second) {
  auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
  INT_PTR result = procedure ? procedure(dialog, message, first, second) : 0;
  if (!IsWindow(dialog))
    return result;
  if (winlite::returns_procedure_result(message))
    return result;
  if (result == 0)
    return DefWindowProcA(dialog, message, first, second);
  return GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
}

WINLITE_API BOOL MapDialogRect(HWND dialog, RECT* rect) {
  Window* window = find_window(dialog);
  if (!window || !rect || window->base_x == 0)
    return FALSE;
  rect->left = winlite::scale(rect->left, window->base_x, 4);
  rect->right = winlite::scale(rect->right, window->base_x, 4);
  rect->top = winlite::scale(rect->top, window->base_y, 8);
  rect->bottom = winlite::scale(rect->bottom, window->base_y, 8);
  return TRUE;
}

WINLITE_API BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND button = GetDlgItem(dialog, id);
  if (!button)
    return FALSE;
  SendMessageA(button, BM_SETCHECK, check, 0);
  return TRUE;
}

WINLITE_API UINT IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<UINT>(SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0));
}

WINLITE_API BOOL SetDlgItemTextA(HWND dialog, int id, const char* text) {
  HWND item = GetDlgItem(dialog, id);
  return item && SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}
