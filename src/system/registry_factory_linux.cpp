#include "system/desktop_registry_linux.h"

namespace tarvo {

std::unique_ptr<Registry> createRegistry() {
    return std::make_unique<DesktopRegistry>(QProcessEnvironment::systemEnvironment());
}

} // namespace tarvo
