#include "report/InstallFolder.h"

#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"

namespace report {

std::string InstallFolder(const platform::RegistryFile& registry, platform::IMessageBoxes& boxes,
                          const std::string& caption) {
  for (const char* key : kInstallKeys) {
    if (registry.KeyExists(platform::RegistryRoot::LocalMachine, key)) {
      return registry.ReadPathString(platform::RegistryRoot::LocalMachine, key, kInstallValue);
    }
  }
  boxes.Show(kInstallKeyMissing, caption, platform::MsgIcon::None);
  return "";
}

std::string InstallFolder() {
  return InstallFolder(platform::SystemRegistry(), platform::MessageBoxes(),
                       platform::ProgramTitle());
}

}  // namespace report
