#pragma once
// Makes file permissions bind for the calling thread while the object lives, even when
// the tests run as root (as in CI), where a folder with no permissions would otherwise
// still be readable. Root's override is taken from the thread's effective capabilities
// only, and given back at the end, so later tests in the same program are unaffected.
// Programs the thread starts meanwhile run without root's override too.
class FilePermissionsBind {
 public:
  FilePermissionsBind();
  ~FilePermissionsBind();
  FilePermissionsBind(const FilePermissionsBind&) = delete;
  FilePermissionsBind& operator=(const FilePermissionsBind&) = delete;

 private:
  unsigned int oldEffective_ = 0;
  int oldSecureBits_ = -1;
  bool changed_ = false;
};
