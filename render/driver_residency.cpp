#include "render/driver_residency.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string>
#include <vector>

namespace gravelkin {

namespace {

bool isGraphicsDriver(const char* path) {
    return std::strstr(path, "_dri.so") != nullptr || std::strstr(path, "libgallium") != nullptr;
}

int collectDriver(dl_phdr_info* info, size_t, void* data) {
    if (info->dlpi_name != nullptr && isGraphicsDriver(info->dlpi_name))
        static_cast<std::vector<std::string>*>(data)->emplace_back(info->dlpi_name);
    return 0;
}

}  // namespace

void keepGraphicsDriverResident() {
    std::vector<std::string> drivers;
    dl_iterate_phdr(collectDriver, &drivers);
    // RTLD_NOLOAD: only libraries already loaded; RTLD_NODELETE: never
    // unmapped, whatever dlclose is called later. The handle is kept on
    // purpose.
    for (const std::string& driver : drivers) dlopen(driver.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace gravelkin
