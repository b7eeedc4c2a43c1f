#pragma once
// Messages, records and flags of the rich edit control, with the platform's names and values.
#include "GdiFontDefs.h"
#include "WinTypes.h"

#include <cstddef>

// Window messages the control answers.
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;
constexpr UINT WM_USER = 0x0400;

// Edit control messages.
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;
constexpr UINT EM_LINELENGTH = 0x00C1;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_GETLINE = 0x00C4;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_LINEFROMCHAR = 0x00C9;
constexpr UINT EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT EM_POSFROMCHAR = 0x00D6;
constexpr UINT EM_CHARFROMPOS = 0x00D7;

// Rich edit messages.
constexpr UINT EM_CANPASTE = WM_USER + 50;
constexpr UINT EM_EXGETSEL = WM_USER + 52;
constexpr UINT EM_EXLIMITTEXT = WM_USER + 53;
constexpr UINT EM_EXLINEFROMCHAR = WM_USER + 54;
constexpr UINT EM_EXSETSEL = WM_USER + 55;
constexpr UINT EM_FINDTEXT = WM_USER + 56;
constexpr UINT EM_FORMATRANGE = WM_USER + 57;
constexpr UINT EM_GETCHARFORMAT = WM_USER + 58;
constexpr UINT EM_GETEVENTMASK = WM_USER + 59;
constexpr UINT EM_GETOLEINTERFACE = WM_USER + 60;
constexpr UINT EM_GETPARAFORMAT = WM_USER + 61;
constexpr UINT EM_GETSELTEXT = WM_USER + 62;
constexpr UINT EM_HIDESELECTION = WM_USER + 63;
constexpr UINT EM_REQUESTRESIZE = WM_USER + 65;
constexpr UINT EM_SELECTIONTYPE = WM_USER + 66;
constexpr UINT EM_SETBKGNDCOLOR = WM_USER + 67;
constexpr UINT EM_SETCHARFORMAT = WM_USER + 68;
constexpr UINT EM_SETEVENTMASK = WM_USER + 69;
constexpr UINT EM_SETOLECALLBACK = WM_USER + 70;
constexpr UINT EM_SETPARAFORMAT = WM_USER + 71;
constexpr UINT EM_SETTARGETDEVICE = WM_USER + 72;
constexpr UINT EM_STREAMIN = WM_USER + 73;
constexpr UINT EM_STREAMOUT = WM_USER + 74;
constexpr UINT EM_GETTEXTRANGE = WM_USER + 75;
constexpr UINT EM_FINDWORDBREAK = WM_USER + 76;
constexpr UINT EM_SETOPTIONS = WM_USER + 77;
constexpr UINT EM_GETOPTIONS = WM_USER + 78;
constexpr UINT EM_FINDTEXTEX = WM_USER + 79;
constexpr UINT EM_SETUNDOLIMIT = WM_USER + 82;
constexpr UINT EM_REDO = WM_USER + 84;
constexpr UINT EM_CANREDO = WM_USER + 85;
constexpr UINT EM_STOPGROUPTYPING = WM_USER + 88;
constexpr UINT EM_SETTEXTMODE = WM_USER + 89;
constexpr UINT EM_GETTEXTMODE = WM_USER + 90;
constexpr UINT EM_AUTOURLDETECT = WM_USER + 91;
constexpr UINT EM_GETAUTOURLDETECT = WM_USER + 92;
constexpr UINT EM_GETTEXTLENGTHEX = WM_USER + 95;
constexpr UINT EM_SETLANGOPTIONS = WM_USER + 120;
constexpr UINT EM_GETLANGOPTIONS = WM_USER + 121;
constexpr UINT EM_FINDTEXTW = WM_USER + 123;
constexpr UINT EM_FINDTEXTEXW = WM_USER + 124;
constexpr UINT EM_SETTYPOGRAPHYOPTIONS = WM_USER + 202;
constexpr UINT EM_GETTYPOGRAPHYOPTIONS = WM_USER + 203;
constexpr UINT EM_GETZOOM = WM_USER + 224;
constexpr UINT EM_SETZOOM = WM_USER + 225;
// The wide-character text range of this platform (UTF-16), beside the byte one.
constexpr UINT EM_GETTEXTRANGEW = WM_USER + 0x1000 + 75;

// Notifications (WM_COMMAND code for EN_CHANGE, WM_NOTIFY codes for the rest).
constexpr UINT EN_CHANGE = 0x0300;
constexpr UINT EN_MSGFILTER = 0x0700;
constexpr UINT EN_REQUESTRESIZE = 0x0701;
constexpr UINT EN_SELCHANGE = 0x0702;
constexpr UINT EN_PROTECTED = 0x0704;
constexpr UINT EN_SAVECLIPBOARD = 0x0708;
constexpr UINT EN_LINK = 0x070B;

// Event mask.
constexpr DWORD ENM_NONE = 0x00000000;
constexpr DWORD ENM_CHANGE = 0x00000001;
constexpr DWORD ENM_UPDATE = 0x00000002;
constexpr DWORD ENM_SCROLL = 0x00000004;
constexpr DWORD ENM_KEYEVENTS = 0x00010000;
constexpr DWORD ENM_MOUSEEVENTS = 0x00020000;
constexpr DWORD ENM_REQUESTRESIZE = 0x00040000;
constexpr DWORD ENM_SELCHANGE = 0x00080000;
constexpr DWORD ENM_DROPFILES = 0x00100000;
constexpr DWORD ENM_PROTECTED = 0x00200000;
constexpr DWORD ENM_LINK = 0x04000000;

// Character format masks and effects.
constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_UNDERLINE = 0x00000004;
constexpr DWORD CFM_STRIKEOUT = 0x00000008;
constexpr DWORD CFM_PROTECTED = 0x00000010;
constexpr DWORD CFM_LINK = 0x00000020;
constexpr DWORD CFM_SMALLCAPS = 0x00000040;
constexpr DWORD CFM_ALLCAPS = 0x00000080;
constexpr DWORD CFM_HIDDEN = 0x00000100;
constexpr DWORD CFM_SUPERSCRIPT = 0x00030000;
constexpr DWORD CFM_SUBSCRIPT = 0x00030000;
constexpr DWORD CFM_STYLE = 0x00080000;
constexpr DWORD CFM_KERNING = 0x00100000;
constexpr DWORD CFM_SPACING = 0x00200000;
constexpr DWORD CFM_WEIGHT = 0x00400000;
constexpr DWORD CFM_UNDERLINETYPE = 0x00800000;
constexpr DWORD CFM_LCID = 0x02000000;
constexpr DWORD CFM_BACKCOLOR = 0x04000000;
constexpr DWORD CFM_CHARSET = 0x08000000;
constexpr DWORD CFM_OFFSET = 0x10000000;
constexpr DWORD CFM_FACE = 0x20000000;
constexpr DWORD CFM_COLOR = 0x40000000;
constexpr DWORD CFM_SIZE = 0x80000000;
constexpr DWORD CFM_EFFECTS = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK;
constexpr DWORD CFM_ALL = CFM_EFFECTS | CFM_SIZE | CFM_FACE | CFM_OFFSET | CFM_CHARSET;

constexpr DWORD CFE_BOLD = 0x00000001;
constexpr DWORD CFE_ITALIC = 0x00000002;
constexpr DWORD CFE_UNDERLINE = 0x00000004;
constexpr DWORD CFE_STRIKEOUT = 0x00000008;
constexpr DWORD CFE_PROTECTED = 0x00000010;
constexpr DWORD CFE_LINK = 0x00000020;
constexpr DWORD CFE_SUBSCRIPT = 0x00010000;
constexpr DWORD CFE_SUPERSCRIPT = 0x00020000;
constexpr DWORD CFE_AUTOBACKCOLOR = CFM_BACKCOLOR;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;

// Underline types.
constexpr BYTE CFU_UNDERLINENONE = 0;
constexpr BYTE CFU_UNDERLINE = 1;
constexpr BYTE CFU_UNDERLINEWORD = 2;
constexpr BYTE CFU_UNDERLINEDOUBLE = 3;
constexpr BYTE CFU_UNDERLINEDOTTED = 4;
constexpr BYTE CFU_UNDERLINEDASH = 5;
constexpr BYTE CFU_UNDERLINEDASHDOT = 6;
constexpr BYTE CFU_UNDERLINEDASHDOTDOT = 7;
constexpr BYTE CFU_UNDERLINEWAVE = 8;
constexpr BYTE CFU_UNDERLINETHICK = 9;

// Character sets beyond those of fonts.
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE HANGEUL_CHARSET = 129;
constexpr BYTE GB2312_CHARSET = 134;
constexpr BYTE CHINESEBIG5_CHARSET = 136;

// Character format scopes.
constexpr WPARAM SCF_DEFAULT = 0x0000;
constexpr WPARAM SCF_SELECTION = 0x0001;
constexpr WPARAM SCF_WORD = 0x0002;
constexpr WPARAM SCF_ALL = 0x0004;

// Paragraph format masks and values.
constexpr DWORD PFM_STARTINDENT = 0x00000001;
constexpr DWORD PFM_RIGHTINDENT = 0x00000002;
constexpr DWORD PFM_OFFSET = 0x00000004;
constexpr DWORD PFM_ALIGNMENT = 0x00000008;
constexpr DWORD PFM_TABSTOPS = 0x00000010;
constexpr DWORD PFM_NUMBERING = 0x00000020;
constexpr DWORD PFM_SPACEBEFORE = 0x00000040;
constexpr DWORD PFM_SPACEAFTER = 0x00000080;
constexpr DWORD PFM_LINESPACING = 0x00000100;
constexpr DWORD PFM_NUMBERINGSTYLE = 0x00002000;
constexpr DWORD PFM_NUMBERINGTAB = 0x00004000;
constexpr DWORD PFM_NUMBERINGSTART = 0x00008000;
constexpr DWORD PFM_RTLPARA = 0x00010000;
constexpr DWORD PFM_OFFSETINDENT = 0x80000000;
constexpr DWORD PFM_ALL = PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_ALIGNMENT | PFM_TABSTOPS | PFM_NUMBERING
    | PFM_OFFSETINDENT | PFM_RTLPARA;
constexpr DWORD PFM_ALL2 = PFM_ALL | PFM_SPACEBEFORE | PFM_SPACEAFTER | PFM_LINESPACING | PFM_NUMBERINGSTYLE
    | PFM_NUMBERINGTAB | PFM_NUMBERINGSTART;

constexpr WORD PFE_RTLPARA = PFM_RTLPARA >> 16;

constexpr WORD PFA_LEFT = 1;
constexpr WORD PFA_RIGHT = 2;
constexpr WORD PFA_CENTER = 3;
constexpr WORD PFA_JUSTIFY = 4;
constexpr WORD PFA_FULL_INTERWORD = 4;

constexpr WORD PFN_BULLET = 1;
constexpr WORD PFN_ARABIC = 2;
constexpr WORD PFN_LCLETTER = 3;
constexpr WORD PFN_UCLETTER = 4;
constexpr WORD PFN_LCROMAN = 5;
constexpr WORD PFN_UCROMAN = 6;

constexpr WORD PFNS_PAREN = 0x0000;
constexpr WORD PFNS_PARENS = 0x0100;
constexpr WORD PFNS_PERIOD = 0x0200;
constexpr WORD PFNS_PLAIN = 0x0300;
constexpr WORD PFNS_NONUMBER = 0x0400;
constexpr WORD PFNS_NEWNUMBER = 0x8000;

constexpr int MAX_TAB_STOPS = 32;

// Stream formats and flags.
constexpr WPARAM SF_TEXT = 0x0001;
constexpr WPARAM SF_RTF = 0x0002;
constexpr WPARAM SF_RTFNOOBJS = 0x0003;
constexpr WPARAM SF_TEXTIZED = 0x0004;
constexpr WPARAM SF_UNICODE = 0x0010;
constexpr WPARAM SFF_PLAINRTF = 0x4000;
constexpr WPARAM SFF_SELECTION = 0x8000;

// Text modes.
constexpr WPARAM TM_PLAINTEXT = 1;
constexpr WPARAM TM_RICHTEXT = 2;
constexpr WPARAM TM_SINGLELEVELUNDO = 4;
constexpr WPARAM TM_MULTILEVELUNDO = 8;

// Typography options.
constexpr WPARAM TO_ADVANCEDTYPOGRAPHY = 1;
constexpr WPARAM TO_SIMPLELINEBREAK = 2;

// Edit options and their operations.
constexpr DWORD ECO_AUTOWORDSELECTION = 0x00000001;
constexpr DWORD ECO_AUTOVSCROLL = 0x00000040;
constexpr DWORD ECO_AUTOHSCROLL = 0x00000080;
constexpr DWORD ECO_NOHIDESEL = 0x00000100;
constexpr DWORD ECO_READONLY = 0x00000800;
constexpr DWORD ECO_WANTRETURN = 0x00001000;
constexpr DWORD ECO_SAVESEL = 0x00008000;
constexpr DWORD ECO_SELECTIONBAR = 0x01000000;
constexpr WPARAM ECOOP_SET = 1;
constexpr WPARAM ECOOP_OR = 2;
constexpr WPARAM ECOOP_AND = 3;
constexpr WPARAM ECOOP_XOR = 4;

// Find flags.
constexpr WPARAM FR_DOWN = 0x00000001;
constexpr WPARAM FR_WHOLEWORD = 0x00000002;
constexpr WPARAM FR_MATCHCASE = 0x00000004;

// Text length flags.
constexpr DWORD GTL_DEFAULT = 0;
constexpr DWORD GTL_USECRLF = 1;
constexpr DWORD GTL_PRECISE = 2;
constexpr DWORD GTL_CLOSE = 4;
constexpr DWORD GTL_NUMCHARS = 8;
constexpr DWORD GTL_NUMBYTES = 16;
constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;
constexpr UINT CP_UNICODE = 1200;

// Language options.
constexpr DWORD IMF_AUTOKEYBOARD = 0x0001;
constexpr DWORD IMF_AUTOFONT = 0x0002;
constexpr DWORD IMF_IMECANCELCOMPLETE = 0x0004;
constexpr DWORD IMF_IMEALWAYSSENDNOTIFY = 0x0008;

struct CHARRANGE {
    LONG cpMin = 0;
    LONG cpMax = 0;
};

// CHARFORMATA and CHARFORMAT2A in one record: cbSize 60 selects the first 60 bytes.
struct CHARFORMAT2 {
    UINT cbSize = sizeof(CHARFORMAT2);
    DWORD dwMask = 0; // CFM_* bits: only these fields are read or valid
    DWORD dwEffects = 0; // CFE_* bits
    LONG yHeight = 0; // twips
    LONG yOffset = 0; // twips, positive raises
    COLORREF crTextColor = 0;
    BYTE bCharSet = 0;
    BYTE bPitchAndFamily = 0;
    char szFaceName[LF_FACESIZE] = {};
    WORD wWeight = 0;
    SHORT sSpacing = 0;
    COLORREF crBackColor = 0;
    LCID lcid = 0;
    DWORD dwReserved = 0;
    SHORT sStyle = 0;
    WORD wKerning = 0;
    BYTE bUnderlineType = 0;
    BYTE bAnimation = 0;
    BYTE bRevAuthor = 0;
    BYTE bReserved1 = 0;
};
using CHARFORMAT2A = CHARFORMAT2;
constexpr UINT SizeOfCharFormatA = 60;
static_assert(sizeof(CHARFORMAT2) == 84);
static_assert(offsetof(CHARFORMAT2, wWeight) == 58, "CHARFORMATA ends where CHARFORMAT2A's extension begins");

// PARAFORMAT and PARAFORMAT2 in one record: cbSize 156 selects the first 156 bytes.
struct PARAFORMAT2 {
    UINT cbSize = sizeof(PARAFORMAT2);
    DWORD dwMask = 0;
    WORD wNumbering = 0;
    WORD wEffects = 0;
    LONG dxStartIndent = 0; // twips
    LONG dxRightIndent = 0;
    LONG dxOffset = 0; // following lines relative to the first
    WORD wAlignment = 0;
    SHORT cTabCount = 0;
    LONG rgxTabs[MAX_TAB_STOPS] = {};
    LONG dySpaceBefore = 0;
    LONG dySpaceAfter = 0;
    LONG dyLineSpacing = 0;
    SHORT sStyle = 0;
    BYTE bLineSpacingRule = 0;
    BYTE bOutlineLevel = 0;
    WORD wShadingWeight = 0;
    WORD wShadingStyle = 0;
    WORD wNumberingStart = 0;
    WORD wNumberingStyle = 0;
    WORD wNumberingTab = 0;
    WORD wBorderSpace = 0;
    WORD wBorderWidth = 0;
    WORD wBorders = 0;
};
constexpr UINT SizeOfParaFormat = 156;
static_assert(sizeof(PARAFORMAT2) == 188);
static_assert(offsetof(PARAFORMAT2, dySpaceBefore) == 156);

struct FORMATRANGE {
    HDC hdc = nullptr; // rendering device
    HDC hdcTarget = nullptr; // measuring device
    RECT rc; // area to render into, twips
    RECT rcPage; // whole page, twips
    CHARRANGE chrg;
};

struct TEXTRANGEA {
    CHARRANGE chrg;
    char* lpstrText = nullptr; // UTF-8 on this platform, at least the range's byte length + 1
};

struct TEXTRANGEW {
    CHARRANGE chrg;
    char16_t* lpstrText = nullptr; // at least cpMax - cpMin + 1 units
};

struct FINDTEXTEXA {
    CHARRANGE chrg;
    const char* lpstrText = nullptr; // UTF-8
    CHARRANGE chrgText;
};

struct FINDTEXTEXW {
    CHARRANGE chrg;
    const char16_t* lpstrText = nullptr;
    CHARRANGE chrgText;
};

struct GETTEXTLENGTHEX {
    DWORD flags = GTL_DEFAULT;
    UINT codepage = CP_ACP;
};

using EDITSTREAMCALLBACK = DWORD (*)(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* transferred);

struct EDITSTREAM {
    DWORD_PTR dwCookie = 0;
    DWORD dwError = 0; // set by the control when a transfer fails
    EDITSTREAMCALLBACK pfnCallback = nullptr;
};

struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    UINT code = 0;
};

struct ENLINK {
    NMHDR nmhdr;
    UINT msg = 0; // the mouse message over the link
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    CHARRANGE chrg;
};

struct ENPROTECTED {
    NMHDR nmhdr;
    UINT msg = 0; // the message that would change protected text
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    CHARRANGE chrg;
};

struct SELCHANGE {
    NMHDR nmhdr;
    CHARRANGE chrg;
    WORD seltype = 0;
};

struct REQRESIZE {
    NMHDR nmhdr;
    RECT rc;
};

struct ENSAVECLIPBOARD {
    NMHDR nmhdr;
    LONG cObjectCount = 0;
    LONG cch = 0;
};

// Selection types of SELCHANGE.
constexpr WORD SEL_EMPTY = 0x0000;
constexpr WORD SEL_TEXT = 0x0001;
constexpr WORD SEL_OBJECT = 0x0002;
constexpr WORD SEL_MULTICHAR = 0x0004;
constexpr WORD SEL_MULTIOBJECT = 0x0008;

// Stream callback errors.
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_INVALID_DATA = 13;
