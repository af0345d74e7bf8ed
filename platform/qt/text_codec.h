#pragma once
// 8-bit texts of the suite (system code page on the old platform) become Qt strings only
// for display: valid UTF-8 is shown as UTF-8, anything else as Windows-1252.
#include <QString>
#include <string>

QString DisplayText(const std::string& bytes);
