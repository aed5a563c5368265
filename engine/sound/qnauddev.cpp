#include "engine/sound/qnsound.h"

QNLISTENER QNAUDDEV::Listener;

void QNAUDDEV::Open(bool required) {
    try {
        const std::uint32_t rc = PlatformAudio::Open();
        QNEXCEPTION::SetLastDeviceResult(rc);
        if (rc != kAudioOk) throw EXC(rc, "Unable to open Direct Music device.");
    } catch (const EXC&) {
        Close();
        if (QNEXCEPTION::ResultCode() != kAudioErrNoDriver) throw;
        if (required) throw EXC(kAudioErrNoDriver, "Audio device not found.");
    }
}

void QNAUDDEV::Close() { PlatformAudio::Close(); }

bool QNAUDDEV::IsOpen() { return PlatformAudio::IsOpen(); }

void QNAUDDEV::Update() { PlatformAudio::Commit(); }

void QNAUDDEV::SetListener() { PlatformAudio::SetListener(Listener); }
