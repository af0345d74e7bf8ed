#pragma once
// Resource ids of the Screen Saver, Edit Sets and About pages and of the set dialogs:
// templates, controls, strings and the bitmaps these pages draw.

// Dialog templates.
constexpr unsigned IDD_SCREENSAVER = 130;
constexpr unsigned IDD_ABOUT = 134;
constexpr unsigned IDD_EDIT_SETS = 141;
constexpr unsigned IDD_REMOVE_SET = 143;
constexpr unsigned IDD_RESTORE_SET = 144;
constexpr unsigned IDD_NEW_SET_NAME = 147;

// Bitmaps.
constexpr unsigned IDB_LOGO = 137;
constexpr unsigned IDB_DOWN_ARROW = 145;
constexpr unsigned IDB_UP_ARROW = 146;
constexpr int kLogoWidth = 409;
constexpr int kLogoHeight = 76;
constexpr int kArrowWidth = 21;
constexpr int kArrowHeight = 23;

// Screen Saver page.
constexpr int IDC_SAVER_SETS = 1013;
constexpr int IDC_SAVER_PREVIEW = 1015;
constexpr int IDC_SAVER_ON = 1016;
constexpr int IDC_SAVER_OFF = 1017;
constexpr int IDC_SAVER_DELAY = 1018;
constexpr int IDC_SAVER_DELAY_SPIN = 1019;
constexpr int IDC_SAVER_TIME = 1020;
constexpr int IDC_SAVER_TIME_SPIN = 1021;
constexpr int IDC_SAVER_MINUTES = 1022;
constexpr int IDC_SAVER_SECONDS = 1023;
constexpr int IDC_SAVER_TITLES = 1024;
constexpr int IDC_SAVER_DESCRIPTIVE = 1025;
constexpr int IDC_SAVER_LANGUAGE = 1026;
constexpr int IDC_SAVER_TRANSITION = 1028;
constexpr int IDC_SAVER_SPEED = 1067;

// About page.
constexpr int IDC_ABOUT_WIDTH = 1029;
constexpr int IDC_ABOUT_HEIGHT = 1030;
constexpr int IDC_ABOUT_COLORS = 1031;
constexpr int IDC_ABOUT_INTRODUCTION = 1061;
constexpr int IDC_ABOUT_WEB_SITE = 1062;
constexpr int IDC_ABOUT_COMPANY = 1063;
constexpr int IDC_ABOUT_STREET = 1064;
constexpr int IDC_ABOUT_CITY = 1065;
constexpr int IDC_ABOUT_PHONE = 1066;

// Edit Sets page and the set dialogs (which share the list id 1038).
constexpr int IDC_EDIT_SET_CHOOSER = 1037;
constexpr int IDC_EDIT_PICTURES = 1038;
constexpr int IDC_SET_LIST = 1038;
constexpr int IDC_EDIT_REMOVE = 1042;
constexpr int IDC_EDIT_ADD = 1045;
constexpr int IDC_EDIT_REMOVED = 1049;
constexpr int IDC_EDIT_RESTORE_SET = 1050;
constexpr int IDC_EDIT_REMOVED_LABEL = 1056;
constexpr int IDC_EDIT_REMOVE_SET = 1057;
constexpr int IDC_REMOVE_FILES = 1059;
constexpr int IDC_EDIT_NEW_SET = 1071;
constexpr int IDC_NEW_SET_NAME = 1072;

// Strings.
constexpr unsigned IDS_SAVER_OFF = 3;
constexpr unsigned IDS_PIXELS = 4;
constexpr unsigned IDS_COLORS = 5;
constexpr unsigned IDS_NO_SETS_TO_DELETE = 20;
constexpr unsigned IDS_LEAVE_ONE_SET = 21;
constexpr unsigned IDS_DELETE_SET = 22;
constexpr unsigned IDS_RESTORE_SET = 24;
constexpr unsigned IDS_DELETE_SET_AND_FILES = 25;
// Our own: the old program said nothing when the files it was asked to delete stayed.
constexpr unsigned IDS_SET_FILES_KEPT = 100;
// Our own: sets made from a folder of photos.
constexpr unsigned IDS_CHOOSE_PHOTO_FOLDER = 101;
constexpr unsigned IDS_NEW_SET_FAILED = 102;
constexpr unsigned IDS_NEW_SET_SKIPPED = 103;
constexpr unsigned IDS_NEW_SET_NAME_REFUSED = 104;
