#pragma once
// Resource ids of the configuration program: dialog templates, controls, strings, bitmaps
// and icons. Other programs and the stored settings never see them; the pages' tests do.

// Icons and bitmaps.
constexpr unsigned IDR_MAINFRAME = 128;  // the sheet's small icon
constexpr unsigned IDB_MONITOR = 131;    // the monitor picture, 183 x 161
constexpr int kMonitorBitmapWidth = 183;
constexpr int kMonitorBitmapHeight = 161;

// Dialog templates.
constexpr unsigned IDD_WALLPAPER = 129;
constexpr unsigned IDD_IMAGE_INFO = 135;

// Wallpaper page controls.
constexpr int IDC_SETS = 1000;
constexpr int IDC_PICTURES = 1001;
constexpr int IDC_EVERY_DAY = 1002;
constexpr int IDC_EVERY_2ND_DAY = 1003;
constexpr int IDC_WEEKLY = 1004;
constexpr int IDC_MANUAL = 1005;
constexpr int IDC_STRETCH = 1007;
constexpr int IDC_IMAGE_INFO = 1009;
constexpr int IDC_WALLPAPER_ON = 1051;
constexpr int IDC_WALLPAPER_OFF = 1052;
constexpr int IDC_PICTURES_LABEL = 1060;
constexpr int IDC_MONITOR_WINDOW = 10001;

// Image Information dialog controls.
constexpr int IDC_INFO_TITLE = 1032;
constexpr int IDC_INFO_ADDITIONAL = 1033;
constexpr int IDC_INFO_CONTACT = 1034;
constexpr int IDC_INFO_TEXT = 1069;

// Strings.
constexpr unsigned IDS_REMOVE_WALLPAPER = 1;
constexpr unsigned IDS_SETUP_NOT_COMPLETE = 8;
constexpr unsigned IDS_SHORTCUT_DESCRIPTION = 9;
constexpr unsigned IDS_SHORTCUT_NAME = 10;
constexpr unsigned IDS_NO_PICTURE_SELECTED = 13;
constexpr unsigned IDS_NO_SETS = 14;
constexpr unsigned IDS_ALL_IMAGE_SETS = 26;
constexpr unsigned IDS_WALLPAPER_IMAGES = 27;
constexpr unsigned IDS_WALLPAPER_IMAGE_SETS = 28;
constexpr unsigned IDS_NEW_INSTALL_FAILED = 30;
constexpr unsigned IDS_NO_SETS_DETECTED = 31;
constexpr unsigned IDS_NEW_SET_REFUSED = 32;
constexpr unsigned IDS_PICTURE_MISSING = 33;
constexpr unsigned AFX_IDS_APP_TITLE = 57344;
