#pragma once
// Shared poll recovery of the input devices.

#include "platform/input_device.h"

#include <cstdint>

namespace qninput {

/// Reads attempted per poll: the first, plus retries after a successful re-acquire.
constexpr int kReadAttempts = 3;
/// Polls a drain runs at most (the keyboard queue empties 16 events per poll).
constexpr int kDrainLimit = 128;

/// Runs `read`, which throws the device's EXC on a failed read. When the shared result code says
/// the device was lost or is not acquired, acquires it again and retries; when that fails (or the
/// retries run out) calls `clear` and returns false. Other failures propagate.
template <class EXC, class Read, class Clear>
bool PollWithRecovery(PlatformInputDevice& device, Read read, Clear clear) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        try {
            read();
            return true;
        } catch (const EXC&) {
            const std::uint32_t code = QNEXCEPTION::ResultCode();
            if (code != kInputErrInputLost && code != kInputErrNotAcquired) throw;
            const std::uint32_t rc = device.Acquire();
            QNEXCEPTION::SetLastDeviceResult(rc);
            if (rc != kInputOk) break;
        }
    }
    clear();
    return false;
}

/// Listens to the message pump for one device.
void Listen(PlatformInputDevice* device);
void StopListening(PlatformInputDevice* device);

}  // namespace qninput
