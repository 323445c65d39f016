// The information window ("XML_ABOUT"): processor model and firmware, program version.
#pragma once

#include "app/MsgWndBase.h"
#include "model/DspProfile.h"

// The program version the about window shows.
inline constexpr const char* kSoftwareVersion = "v6.2";

class CAboutWnd : public CMsgWndBase {
public:
    // Reads the processor facts from `profile` now; the profile need not outlive the call.
    explicit CAboutWnd(const dv::DspProfile& profile);

    void InitWindow() override;

    // "DV80MAX <firmware> v1.3", or "DV80MAX <not connected>" before a handshake, in the
    // current language.
    static QString FirmwareText(int modelCode, int majorVersion, int minorVersion);
    static QString SoftwareText();

private:
    int m_modelCode;
    int m_majorVersion;
    int m_minorVersion;
};

// Opens the about window modally over `parent`; returns its close result.
int ShowAboutWnd(DuiLib::HWND parent, const dv::DspProfile& profile);
