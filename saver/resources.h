#pragma once
// The saver's resources: its icon (shown in the display settings' preview) and the
// template of its configuration dialog. Registered on first use, since a program built
// from a library keeps no unreferenced static registrations.
#include "platform/types.h"

constexpr int kConfigDialogId = 2003;
// Control ids of the configuration dialog.
constexpr int IDC_TIME_BETWEEN = 1000;
constexpr int IDC_SHOW_TITLES = 1009;
constexpr int IDC_SHOW_TEXT = 1012;
constexpr int IDC_MINUTES = 1016;
constexpr int IDC_SECONDS = 1017;
constexpr int IDC_LANGUAGE = 1018;
constexpr int IDC_TRANSITION = 1007;

void EnsureSaverResources();
