// The EDIT and BUTTON controls: their state, and the notifications they send their parent.
#include <algorithm>

#include "winlite_internal.h"

namespace winlite {
namespace {

// Positions are byte offsets into the UTF-8 text; one never falls inside a sequence.
size_t char_boundary(const std::string& text, size_t position) {
  position = std::min(position, text.size());
  while (position > 0 && position < text.size() &&
         (static_cast<unsigned char>(text[position]) & 0xC0) == 0x80)
    --position;
  return position;
}

size_t selection_start(const Window& edit) {
  return std::min(edit.selection_anchor, edit.selection_caret);
}

size_t selection_end(const Window& edit) {
  return std::max(edit.selection_anchor, edit.selection_caret);
}

// Replaces the selection with text and puts the caret after it; EN_CHANGE when anything changed.
// The edit may be gone when this returns.
void replace_selection(HWND handle, Window& edit, const std::string& text) {
  size_t start = selection_start(edit), end = selection_end(edit);
  edit.text.replace(start, end - start, text);
  edit.selection_anchor = edit.selection_caret = start + text.size();
  if (end > start || !text.empty())
    notify_parent(handle, EN_CHANGE);
}

// What a typed character does; the edit may be gone when this returns.
void type_character(HWND handle, Window& edit, unsigned char c) {
  bool multiline = (edit.style & ES_MULTILINE) != 0;
  if (c == '\b') {
    if (edit.selection_anchor == edit.selection_caret && edit.selection_caret > 0) {
      edit.selection_anchor = char_boundary(edit.text, edit.selection_caret - 1);
      if (edit.selection_anchor > 0 && edit.text.compare(edit.selection_anchor - 1, 2, "\r\n") == 0)
        --edit.selection_anchor;
    }
    replace_selection(handle, edit, "");
  } else if (c == '\r' && multiline) {
    replace_selection(handle, edit, "\r\n");
  } else if (c == '\t' && multiline) {
    replace_selection(handle, edit, "\t");
  } else if (c >= 0x20 && c < 0x7F) {
    replace_selection(handle, edit, std::string(1, static_cast<char>(c)));
  }
  // Other control characters (Ctrl+A gives 0x01) and lone bytes above 0x7F do nothing.
}

UINT highest_check(DWORD style) {
  switch (style & BS_TYPEMASK) {
  case BS_CHECKBOX:
  case BS_AUTOCHECKBOX:
  case BS_RADIOBUTTON:
  case BS_AUTORADIOBUTTON:
    return BST_CHECKED;
  case BS_3STATE:
  case BS_AUTO3STATE:
    return BST_INDETERMINATE;
  default:
    return BST_UNCHECKED;
  }
}

} // namespace

LRESULT CALLBACK edit_procedure(HWND handle, UINT message, WPARAM first, LPARAM second) {
  Window* edit = find_window(handle);
  if (!edit)
    return 0;
  switch (message) {
  case WM_CREATE:
    edit->selection_anchor = edit->selection_caret = 0;
    return 0;
  case WM_SETTEXT: {
    const char* text = reinterpret_cast<const char*>(second);
    edit->text = text ? text : "";
    edit->selection_anchor = edit->selection_caret = 0;
    // A multi-line edit does not report text set from outside; a single-line one does.
    if (!(edit->style & ES_MULTILINE))
      notify_parent(handle, EN_CHANGE);
    return TRUE;
  }
  case EM_SETSEL: {
    // Both ends are taken as unsigned: -1 as the end means the end of the text; -1 as the start
    // drops the selection, leaving the caret where it is.
    UINT start = static_cast<UINT>(first), end = static_cast<UINT>(second);
    if (start == static_cast<UINT>(-1)) {
      edit->selection_anchor = edit->selection_caret;
    } else {
      edit->selection_anchor = char_boundary(edit->text, start);
      edit->selection_caret = char_boundary(edit->text, end);
    }
    return 0;
  }
  case EM_GETSEL: {
    size_t start = selection_start(*edit), end = selection_end(*edit);
    if (first)
      *reinterpret_cast<DWORD*>(first) = static_cast<DWORD>(start);
    if (second)
      *reinterpret_cast<DWORD*>(second) = static_cast<DWORD>(end);
    return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
  }
  case EM_REPLACESEL: {
    const char* text = reinterpret_cast<const char*>(second);
    replace_selection(handle, *edit, text ? text : "");
    return 0;
  }
  case EM_GETLINECOUNT:
    if (!(edit->style & ES_MULTILINE))
      return 1;
    return 1 + std::count(edit->text.begin(), edit->text.end(), '\n');
  case WM_CHAR:
    type_character(handle, *edit, static_cast<unsigned char>(first));
    return 0;
  case WM_KEYDOWN:
  case WM_KEYUP:
    // Caret movement is not modelled; letters arrive as WM_CHAR.
    return 0;
  default:
    return DefWindowProcA(handle, message, first, second);
  }
}

LRESULT CALLBACK button_procedure(HWND handle, UINT message, WPARAM first, LPARAM second) {
  Window* button = find_window(handle);
  if (!button)
    return 0;
  switch (message) {
  case WM_CREATE:
    button->check = BST_UNCHECKED;
    return 0;
  case BM_GETCHECK:
  case BM_GETSTATE:
    return button->check;
  case BM_SETCHECK:
    // A state the button cannot show becomes the highest it can (2 ticks a two-state box).
    button->check = std::min(static_cast<UINT>(first), highest_check(button->style));
    return 0;
  case BM_CLICK: {
    // A click toggles an automatic button first (through its current procedure, so a subclass
    // sees BM_SETCHECK), then tells the parent.
    UINT check = button->check;
    switch (button->style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
      SendMessageA(handle, BM_SETCHECK, (check & BST_CHECKED) ? BST_UNCHECKED : BST_CHECKED, 0);
      break;
    case BS_AUTO3STATE:
      SendMessageA(handle, BM_SETCHECK, (check & BST_INDETERMINATE) ? 0 : (check & 3) + 1, 0);
      break;
    case BS_AUTORADIOBUTTON:
      SendMessageA(handle, BM_SETCHECK, BST_CHECKED, 0);
      break;
    default:
      break;
    }
    notify_parent(handle, BN_CLICKED);
    return 0;
  }
  default:
    return DefWindowProcA(handle, message, first, second);
  }
}

} // namespace winlite
