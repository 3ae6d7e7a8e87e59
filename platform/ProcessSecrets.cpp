#include "platform/ProcessSecrets.h"

#include <sys/prctl.h>

#include <cstring>

namespace platform {

void KeepSecretsFromDumps() { ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

void BlankArgument(int argc, char** argv, int index) {
  if (index <= 0 || index >= argc || argv[index] == nullptr) return;
  std::memset(argv[index], ' ', std::strlen(argv[index]));
}

}  // namespace platform
