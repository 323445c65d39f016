// stormedge-dsp: the control panel for the real unit (system hidapi).
#include "app/DeviceNotifier.h"
#include "app/PanelMain.h"

int main(int /*argc*/, char* argv[]) { return RunPanel(argv[0], CreateUdevDeviceNotifier); }
