// winlite: the small part of the Win32 API that the module and kestrel call, as a headless
// in-process window model for Linux. Names, values and meanings follow Win32; only what is
// called is here.
#pragma once

#include <cstdint>

#define WINAPI
#define CALLBACK
#define WINLITE_API extern "C" __attribute__((visibility("default")))

typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int32_t LONG;
typedef short SHORT;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HMENU__* HMENU;
typedef struct HICON__* HICON;
typedef HICON HCURSOR;
typedef struct HBRUSH__* HBRUSH;
typedef WORD ATOM;
typedef char16_t WCHAR;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define TRUE 1
#define FALSE 0

#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((UINT_PTR)(l)) >> 16) & 0xffff))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)(((WORD)(l)) | (((DWORD)(WORD)(h)) << 16)))
#define MAKELONG(l, h) ((LONG)(((WORD)(l)) | (((DWORD)(WORD)(h)) << 16)))
#define MAKELRESULT(l, h) ((LRESULT)(DWORD)MAKELONG(l, h))
#define MAKEINTRESOURCEA(i) ((const char*)((UINT_PTR)((WORD)(i))))
#define IS_INTRESOURCE(p) ((((UINT_PTR)(p)) >> 16) == 0)
#define MAKEINTATOM(i) ((const char*)((UINT_PTR)((WORD)(i))))

// Messages
#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_REPLACESEL 0x00C2
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5

// Notifications
#define EN_CHANGE 0x0300
#define BN_CLICKED 0

// Check states
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BST_INDETERMINATE 2

// Window long slots
#define GWLP_WNDPROC (-4)
#define GWLP_USERDATA (-21)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_ID (-12)
#define GWLP_HINSTANCE (-6)
// The dialog manager's slots in a dialog's extra bytes.
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + (int)sizeof(LRESULT))
#define DWLP_USER (DWLP_DLGPROC + (int)sizeof(DLGPROC))
#define DLGWINDOWEXTRA (DWLP_USER + (int)sizeof(LONG_PTR))

// Keys
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12

// Window styles
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_BORDER 0x00800000L
#define WS_VSCROLL 0x00200000L
#define WS_TABSTOP 0x00010000L
#define WS_POPUP 0x80000000L
#define DS_SETFONT 0x40L
#define DS_FIXEDSYS 0x0008L
#define ES_MULTILINE 0x0004L
#define ES_AUTOVSCROLL 0x0040L
#define ES_WANTRETURN 0x1000L
#define BS_PUSHBUTTON 0x00000000L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_3STATE 0x00000005L
#define BS_AUTO3STATE 0x00000006L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_GROUPBOX 0x00000007L
#define BS_TYPEMASK 0x0000000FL

#define RT_DIALOG MAKEINTRESOURCEA(5)
// The dialog class, "#32770".
#define WC_DIALOG MAKEINTATOM(0x8002)

// Functions. Behaviour follows Win32 for what the module, kestrel and the host call.
WINLITE_API HWND GetDlgItem(HWND dialog, int id);
WINLITE_API BOOL CheckDlgButton(HWND dialog, int id, UINT check);
WINLITE_API UINT IsDlgButtonChecked(HWND dialog, int id);
WINLITE_API LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
WINLITE_API LONG_PTR GetWindowLongPtrA(HWND window, int index);
WINLITE_API LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM first,
                                    LPARAM second);
WINLITE_API LRESULT SendMessageA(HWND window, UINT message, WPARAM first, LPARAM second);
WINLITE_API SHORT GetAsyncKeyState(int key);
WINLITE_API BOOL DestroyWindow(HWND window);
WINLITE_API BOOL IsWindow(HWND window);

// winlite's own, for the module's embedded resources and for tests.
// Registers the compiled resources (.res format) of the image whose base is module.
WINLITE_API void winlite_register_resources(HINSTANCE module, const void* resources,
                                            unsigned long size);

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;

#define EM_GETLINECOUNT 0x00BA
#define BM_GETSTATE 0x00F2
#define WM_CLOSE 0x0010
#define WM_CREATE 0x0001

WINLITE_API HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* text,
                                 DWORD style, int x, int y, int width, int height, HWND parent,
                                 void* menu, HINSTANCE instance, void* parameter);
WINLITE_API LRESULT DefWindowProcA(HWND window, UINT message, WPARAM first, LPARAM second);
// Builds the DIALOGEX template of RT_DIALOG template_name registered for instance: the dialog
// (hidden until WM_INITDIALOG has run), then its controls in template order. Null when there is
// no such template, a child dialog has no parent, or a control cannot be created.
WINLITE_API HWND CreateDialogParamA(HINSTANCE instance, const char* template_name, HWND parent,
                                    DLGPROC procedure, LPARAM parameter);
WINLITE_API BOOL SetWindowTextA(HWND window, const char* text);
WINLITE_API int GetWindowTextA(HWND window, char* buffer, int size);
WINLITE_API int GetWindowTextLengthA(HWND window);
WINLITE_API BOOL SetDlgItemTextA(HWND dialog, int id, const char* text);
WINLITE_API int GetClassNameA(HWND window, char* buffer, int size);
WINLITE_API HWND GetParent(HWND window);
WINLITE_API int GetDlgCtrlID(HWND window);
WINLITE_API LONG GetWindowLongA(HWND window, int index);
// Maps a rectangle in dialog units to pixels with the dialog's font metrics. winlite has no
// fonts: every dialog has the base units of an 8-point "MS Shell Dlg" on a 96-dpi Windows
// desktop, 6 x 13 pixels per 4 x 8 dialog units. Only dialogs built by CreateDialogParamA map.
WINLITE_API BOOL MapDialogRect(HWND dialog, RECT* rect);
// The window's rectangle in its parent's client coordinates (winlite has no screen).
WINLITE_API BOOL winlite_child_rect(HWND window, RECT* rect);
// The child windows of a window, in creation order; returns how many there are.
WINLITE_API int winlite_children(HWND window, HWND* children, int capacity);

// Input simulation for tests and the headless host.
// Sets the state GetAsyncKeyState reports for a virtual key.
WINLITE_API void winlite_set_key_state(int virtual_key, BOOL down);
// A key typed into the focused window as a keyboard would: WM_KEYDOWN to the window's current
// procedure, then (for a key that produces a character, character != 0) WM_CHAR, then WM_KEYUP;
// the key reads as down meanwhile. With Alt down and Control up these are the WM_SYS messages.
// The edit control inserts printable characters (and, multi-line, Return and Tab), deletes on
// Backspace and ignores other control characters, such as the 0x01 of Ctrl+A.
WINLITE_API void winlite_type_key(HWND window, int virtual_key, char character);

typedef struct tagWNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
} WNDCLASSA;

// What WM_CREATE points to.
typedef struct tagCREATESTRUCTA {
  void* lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  const char* lpszName;
  const char* lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTA;

// Classes are process-wide and matched by name alone (the instance is kept, not compared).
// Zero when a class of that name exists.
WINLITE_API ATOM RegisterClassA(const WNDCLASSA* window_class);
// The window procedure of the dialog class: calls the dialog procedure and does the default
// processing for what that leaves unhandled.
WINLITE_API LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM first, LPARAM second);

// winlite has only the A functions, and its A functions take and give UTF-8. Code shared with
// the Windows build, where UNICODE is defined, calls the generic names.
#define SetWindowLongPtr SetWindowLongPtrA
#define GetWindowLongPtr GetWindowLongPtrA
#define CallWindowProc CallWindowProcA
#define SendMessage SendMessageA
#define DefWindowProc DefWindowProcA
