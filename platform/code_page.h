#pragma once
// Text from one 8-bit or multi-byte code page to another, as the old platform converted it
// with MultiByteToWideChar and WideCharToMultiByte and their default character: a character
// that the target cannot hold, or a byte that is no character of the source, becomes "?".
// Code pages are named as iconv names them ("UTF-8", "CP1252", "CP932"); an unknown one
// gives "".
#include <string>

std::string ConvertCodePage(const std::string& text, const char* to, const char* from);
