#pragma once
// The keyboard device: a 256-byte key state indexed by scan code (high bit =
// down) and a buffer of press/release events, both kept from the event pump.
// Auto-repeated presses are dropped. A read takes at most the buffer size of
// events; the rest stay queued for the next read. A key pressed since the
// last state read reads down once even when it was released again (a tap
// shorter than the time between two reads still counts).

#include "platform/input_device.h"

#include <cstdint>
#include <deque>

/// One buffered key event.
struct PlatformKeyEvent {
  uint8_t code = 0;  ///< scan code
  bool down = false;
};

class PlatformKeyboard : public PlatformInputDevice {
 public:
  /// Events kept when nobody reads; later ones are dropped.
  static constexpr size_t kQueueLimit = 1024;

  /// Number of events one GetEvents call hands out at most (16 by default).
  void SetBufferSize(uint32_t size) { bufferSize_ = size; }
  uint32_t BufferSize() const { return bufferSize_; }

  /// Copies the key state, with the keys pressed since the last read down, and forgets those
  /// presses. Fails when not acquired (state left untouched).
  uint32_t GetState(uint8_t (&state)[256]);

  /// Moves up to min(*count, buffer size) queued events into `events` and sets *count
  /// to the number moved. Fails when not acquired (*count = 0).
  uint32_t GetEvents(PlatformKeyEvent* events, uint32_t* count);

  /// Events waiting to be read.
  size_t Queued() const { return queue_.size(); }

 protected:
  void HandleEvent(const SDL_Event& event) override;
  void OnUnacquire() override;

 private:
  uint8_t state_[256] = {};
  uint8_t pressed_[256] = {};  // 0x80 for keys pressed since the last state read
  std::deque<PlatformKeyEvent> queue_;
  uint32_t bufferSize_ = 16;
};
