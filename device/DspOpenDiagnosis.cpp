// A unit that is on the bus but refuses this user (no udev rule yet) looks, to hid_open, like
// no unit at all; the bus listing and the node's permissions tell the two apart.
#include <hidapi/hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/Log.h"
#include "device/DspDevice.h"
#include "device/Protocol.h"

namespace dv {

DspDevice::OpenFailure DspDevice::DiagnoseOpenFailure(int openError) {
    hid_device_info* found = hid_enumerate(kVendorId, kProductId);
    if (!found) return OpenFailure::NotFound;
    const std::string path = found->path ? found->path : "";
    hid_free_enumeration(found);
    bool refused = openError == EACCES || openError == EPERM;
    // The open's errno may not survive the library's clean-up; the node's mode says it too.
    if (!refused && !path.empty() && access(path.c_str(), R_OK | W_OK) != 0)
        refused = errno == EACCES || errno == EPERM;
    LogPrintA(refused ? "unit present but not permitted: %s\n"
                      : "unit present but could not be opened: %s\n",
              path.c_str());
    return refused ? OpenFailure::NoPermission : OpenFailure::Other;
}

}  // namespace dv
