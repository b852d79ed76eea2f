#pragma once
// Message numbers, notification codes, styles and answers of the classic dialog API. The
// values are the historical ones so that handlers written against that API read the same.

#include <cstdint>

namespace qarvo::ui {

// --- window messages ---
constexpr unsigned WM_NULL = 0;
constexpr unsigned WM_DESTROY = 2;
constexpr unsigned WM_SIZE = 5;
constexpr unsigned WM_ACTIVATE = 6;
constexpr unsigned WM_CLOSE = 16;
constexpr unsigned WM_QUIT = 18;
constexpr unsigned WM_SHOWWINDOW = 24;
constexpr unsigned WM_SETCURSOR = 32;
constexpr unsigned WM_NOTIFY = 78;
constexpr unsigned WM_INITDIALOG = 272;
constexpr unsigned WM_COMMAND = 273;
constexpr unsigned WM_CTLCOLORSTATIC = 312;
constexpr unsigned WM_MOUSEMOVE = 512;
constexpr unsigned WM_LBUTTONDOWN = 513;
constexpr unsigned WM_LBUTTONUP = 514;
constexpr unsigned WM_USER = 1024;
constexpr unsigned WM_APP = 0x8000;

// WM_ACTIVATE low word of wParam.
constexpr unsigned WA_INACTIVE = 0;
constexpr unsigned WA_ACTIVE = 1;
// WM_SIZE wParam.
constexpr unsigned SIZE_RESTORED = 0;
// Mouse message wParam.
constexpr unsigned MK_LBUTTON = 1;

// --- notification codes (WM_COMMAND high word, WM_NOTIFY code) ---
constexpr unsigned BN_CLICKED = 0;
constexpr unsigned STN_CLICKED = 0;
constexpr unsigned CBN_SELCHANGE = 1;
constexpr unsigned CBN_EDITCHANGE = 5;
constexpr int NM_CLICK = -2;
constexpr int NM_DBLCLK = -3;
constexpr int TCN_SELCHANGE = -551;
constexpr int LVN_ITEMCHANGED = -101;
constexpr int LVN_COLUMNCLICK = -108;
constexpr int LVN_ITEMACTIVATE = -114;

// --- dialog results and message box answers ---
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
// Unnamed template controls (captions, frames).
constexpr int IDC_STATIC = -1;

// --- message box flags ---
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFMASK = 0xF00;

// --- ShowWindow commands ---
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// --- SetWindowPos flags ---
constexpr unsigned SWP_NOSIZE = 0x1;
constexpr unsigned SWP_NOMOVE = 0x2;
constexpr unsigned SWP_NOZORDER = 0x4;
constexpr unsigned SWP_NOACTIVATE = 0x10;
constexpr unsigned SWP_SHOWWINDOW = 0x40;
constexpr unsigned SWP_HIDEWINDOW = 0x80;

// --- progress bar messages (SendMessage/PostMessage to a progress bar) ---
constexpr unsigned PBM_SETRANGE = WM_USER + 1;  // lParam: low word min, high word max
constexpr unsigned PBM_SETPOS = WM_USER + 2;    // wParam: position; returns the old one
constexpr unsigned PBM_DELTAPOS = WM_USER + 3;
constexpr unsigned PBM_SETSTEP = WM_USER + 4;   // wParam: step; returns the old one
constexpr unsigned PBM_STEPIT = WM_USER + 5;
constexpr unsigned PBM_SETRANGE32 = WM_USER + 6;  // wParam min, lParam max
constexpr unsigned PBM_GETPOS = WM_USER + 8;

// --- button check states ---
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// --- combo box results ---
constexpr int CB_ERR = -1;

// --- list view ---
constexpr unsigned LVS_EX_GRIDLINES = 0x1;
constexpr unsigned LVS_EX_CHECKBOXES = 0x4;
constexpr unsigned LVS_EX_FULLROWSELECT = 0x20;
constexpr unsigned LVS_EX_ONECLICKACTIVATE = 0x40;
constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr unsigned LVIS_FOCUSED = 0x1;
constexpr unsigned LVIS_SELECTED = 0x2;
constexpr unsigned LVIS_STATEIMAGEMASK = 0xF000;
constexpr unsigned LVIF_STATE = 0x8;
// State image 1 is the empty check box, 2 the ticked one.
constexpr unsigned IndexToStateImageMask(unsigned i) { return i << 12; }
constexpr unsigned StateImageMaskToIndex(unsigned state) { return (state & LVIS_STATEIMAGEMASK) >> 12; }

// --- WM_CTLCOLORSTATIC answers ---
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int NULL_BRUSH = 5;

// --- cursors for SetCursor ---
constexpr int IDC_ARROW = 32512;
constexpr int IDC_HAND = 32649;

// --- window styles ---
constexpr uint32_t WS_POPUP = 0x80000000u;
constexpr uint32_t WS_CHILD = 0x40000000u;
constexpr uint32_t WS_VISIBLE = 0x10000000u;
constexpr uint32_t WS_DISABLED = 0x08000000u;
constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000u;
constexpr uint32_t WS_CAPTION = 0x00C00000u;
constexpr uint32_t WS_BORDER = 0x00800000u;
constexpr uint32_t WS_VSCROLL = 0x00200000u;
constexpr uint32_t WS_HSCROLL = 0x00100000u;
constexpr uint32_t WS_SYSMENU = 0x00080000u;
constexpr uint32_t WS_THICKFRAME = 0x00040000u;
constexpr uint32_t WS_GROUP = 0x00020000u;
constexpr uint32_t WS_TABSTOP = 0x00010000u;
// On top-level windows the bits of WS_GROUP and WS_TABSTOP mean the title bar's buttons.
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000u;
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000u;
constexpr uint32_t DS_MODALFRAME = 0x80u;
constexpr uint32_t DS_SETFONT = 0x40u;
constexpr uint32_t DS_CONTROL = 0x400u;

constexpr uint32_t BS_PUSHBUTTON = 0x0;
constexpr uint32_t BS_DEFPUSHBUTTON = 0x1;
constexpr uint32_t BS_CHECKBOX = 0x2;
constexpr uint32_t BS_AUTOCHECKBOX = 0x3;
constexpr uint32_t BS_GROUPBOX = 0x7;
constexpr uint32_t BS_TYPEMASK = 0xF;

constexpr uint32_t ES_MULTILINE = 0x4;
constexpr uint32_t ES_AUTOVSCROLL = 0x40;
constexpr uint32_t ES_AUTOHSCROLL = 0x80;
constexpr uint32_t ES_READONLY = 0x800;
constexpr uint32_t ES_NUMBER = 0x2000;

constexpr uint32_t SS_LEFT = 0x0;
constexpr uint32_t SS_CENTER = 0x1;
constexpr uint32_t SS_RIGHT = 0x2;
constexpr uint32_t SS_LEFTNOWORDWRAP = 0xC;
constexpr uint32_t SS_BITMAP = 0xE;
constexpr uint32_t SS_ETCHEDHORZ = 0x10;
constexpr uint32_t SS_TYPEMASK = 0x1F;
constexpr uint32_t SS_NOPREFIX = 0x80;
constexpr uint32_t SS_NOTIFY = 0x100;
constexpr uint32_t SS_CENTERIMAGE = 0x200;

constexpr uint32_t CBS_SIMPLE = 0x1;
constexpr uint32_t CBS_DROPDOWN = 0x2;
constexpr uint32_t CBS_DROPDOWNLIST = 0x3;
constexpr uint32_t CBS_AUTOHSCROLL = 0x40;
constexpr uint32_t CBS_SORT = 0x100;

constexpr uint32_t LVS_REPORT = 0x1;
constexpr uint32_t LVS_SINGLESEL = 0x4;
constexpr uint32_t LVS_SHOWSELALWAYS = 0x8;

}  // namespace qarvo::ui
