// The hidapi functions the panel calls, served by the simulated bus instead of the system.
#include "sim/HidProvider.h"

#include <hidapi/hidapi.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "sim/SimBus.h"

namespace {

thread_local int lastReadTimeout = dv::sim::kNoRead;

int CopyString(const wchar_t* text, wchar_t* out, size_t maxlen) {
    if (!out || maxlen == 0) return -1;
    wcsncpy(out, text, maxlen - 1);
    out[maxlen - 1] = L'\0';
    return 0;
}

bool Known(hid_device* dev) {
    return dev != nullptr;
}

}  // namespace

namespace dv::sim {

int LastReadTimeoutOnThisThread() {
    return lastReadTimeout;
}

void ForgetLastReadTimeout() {
    lastReadTimeout = kNoRead;
}

}  // namespace dv::sim

int hid_init(void) {
    return 0;
}

int hid_exit(void) {
    return 0;
}

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t*) {
    return dv::sim::SimBus::Instance().Open(vendor_id, product_id);
}

// The bus lists the plugged unit even when opening it is refused, as hidraw does.
hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
    if (!dv::sim::SimBus::Instance().Lists(vendor_id, product_id)) return nullptr;
    auto* info = static_cast<hid_device_info*>(calloc(1, sizeof(hid_device_info)));
    if (!info) return nullptr;
    info->path = strdup("sim:dv80max");
    info->vendor_id = vendor_id;
    info->product_id = product_id;
    return info;
}

void hid_free_enumeration(hid_device_info* devs) {
    while (devs) {
        hid_device_info* next = devs->next;
        free(devs->path);
        free(devs);
        devs = next;
    }
}

void hid_close(hid_device* dev) {
    if (Known(dev)) dv::sim::SimBus::Instance().Close(dev);
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length) {
    if (!Known(dev)) return -1;
    return dv::sim::SimBus::Instance().Write(dev, data, length);
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
    lastReadTimeout = milliseconds;
    if (!Known(dev)) return -1;
    return dv::sim::SimBus::Instance().Read(dev, data, length, milliseconds);
}

int hid_read(hid_device* dev, unsigned char* data, size_t length) {
    if (!Known(dev)) return -1;
    dv::sim::SimBus& bus = dv::sim::SimBus::Instance();
    return bus.Read(dev, data, length, bus.IsNonblocking(dev) ? 0 : -1);
}

int hid_set_nonblocking(hid_device* dev, int nonblock) {
    if (!Known(dev)) return -1;
    return dv::sim::SimBus::Instance().SetNonblocking(dev, nonblock);
}

int hid_get_manufacturer_string(hid_device* dev, wchar_t* string, size_t maxlen) {
    return Known(dev) ? CopyString(L"Stormedge", string, maxlen) : -1;
}

int hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen) {
    return Known(dev) ? CopyString(L"DV80MAX", string, maxlen) : -1;
}

int hid_get_serial_number_string(hid_device* dev, wchar_t* string, size_t maxlen) {
    return Known(dev) ? CopyString(L"SIM0001", string, maxlen) : -1;
}

int hid_get_indexed_string(hid_device* dev, int string_index, wchar_t* string, size_t maxlen) {
    if (!Known(dev) || string_index != 1) return -1;
    return CopyString(L"Stormedge", string, maxlen);
}

const wchar_t* hid_error(hid_device* dev) {
    return dv::sim::SimBus::Instance().Error(dev);
}
