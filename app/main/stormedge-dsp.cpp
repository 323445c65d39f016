// stormedge-dsp: the control panel for the real unit (system hidapi).
#include "app/PanelMain.h"
#include "base/DeviceNotifier.h"

int main(int /*argc*/, char* argv[]) {
    return RunPanel(argv[0], CreateUdevDeviceNotifier);
}
