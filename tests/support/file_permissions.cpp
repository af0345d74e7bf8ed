#include "tests/support/file_permissions.h"

#include <linux/capability.h>
#include <linux/securebits.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
constexpr unsigned int kOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool SetEffective(unsigned int effective) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  data[0].effective = effective;
  return syscall(SYS_capset, &header, data) == 0;
}
}  // namespace

FilePermissionsBind::FilePermissionsBind() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return;
  oldEffective_ = data[0].effective;
  if ((oldEffective_ & kOverrides) == 0) return;
  // Programs the thread starts meanwhile (the decoder host) must not get root's
  // capabilities back when they are executed.
  oldSecureBits_ = prctl(PR_GET_SECUREBITS);
  if (oldSecureBits_ >= 0) prctl(PR_SET_SECUREBITS, oldSecureBits_ | SECBIT_NOROOT);
  changed_ = SetEffective(oldEffective_ & ~kOverrides);
}

FilePermissionsBind::~FilePermissionsBind() {
  if (!changed_) return;
  SetEffective(oldEffective_);
  if (oldSecureBits_ >= 0) prctl(PR_SET_SECUREBITS, oldSecureBits_);
}
