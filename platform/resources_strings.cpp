#include <map>

#include "platform/message_box.h"
#include "platform/resources_tables.h"

namespace {
std::map<UINT, std::string>& strings() {
  static std::map<UINT, std::string> table;
  return table;
}
}  // namespace

void RegisterStringResource(UINT id, const char* text) { strings()[id] = text ? text : ""; }

std::string LoadStringResource(UINT id) {
  auto it = strings().find(id);
  return it == strings().end() ? std::string() : it->second;
}

int AfxMessageBox(const std::string& text, UINT type) {
  return MessageBox(nullptr, text.c_str(), ApplicationTitle().c_str(), type);
}

int AfxMessageBox(UINT stringId, UINT type) { return AfxMessageBox(LoadStringResource(stringId), type); }
