#include "platform/write_failures.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {
std::mutex& failuresMutex() {
  static std::mutex m;
  return m;
}
std::vector<WriteFailure>& failures() {
  static std::vector<WriteFailure> list;
  return list;
}
}  // namespace

void ClearWriteFailures() {
  std::lock_guard<std::mutex> lock(failuresMutex());
  failures().clear();
}

std::vector<WriteFailure> WriteFailures() {
  std::lock_guard<std::mutex> lock(failuresMutex());
  return failures();
}

void RecordWriteFailure(const std::string& file, int error) {
  std::lock_guard<std::mutex> lock(failuresMutex());
  // One entry per file keeps the list short however many keys a batch writes, and the
  // first reason is the one that matters.
  for (const WriteFailure& f : failures())
    if (f.file == file) return;
  failures().push_back({file, error ? error : EIO});
}

std::string WriteFailureReason(int error) {
  switch (error) {
    case ENOSPC: return "the disk is full";
    case EDQUOT: return "the disk quota is used up";
    case EFBIG: return "the file would be larger than the system allows";
    case EACCES:
    case EPERM: return "permission denied";
    case EROFS: return "the disk is read-only";
    case ENOENT:
    case ENOTDIR: return "the folder does not exist";
    case EIO: return "the disk reported an error";
    default: break;
  }
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

std::string DescribeWriteFailure(const WriteFailure& failure) {
  return failure.file + ": " + WriteFailureReason(failure.error);
}

std::string DescribeWriteFailures(const std::vector<WriteFailure>& list) {
  std::string text;
  for (const WriteFailure& f : list) {
    if (!text.empty()) text += '\n';
    text += DescribeWriteFailure(f);
  }
  return text;
}
