#include "platform/input_keyboard.h"

#include "platform/input_scancodes.h"

#include <algorithm>
#include <cstring>

void PlatformKeyboard::HandleEvent(const SDL_Event& event) {
  if (event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) return;
  if (event.key.repeat) return;
  const uint8_t code = PlatformKeyCodeFromScancode(event.key.keysym.scancode);
  if (code == 0) return;
  const bool down = event.type == SDL_KEYDOWN;
  // A press of a key already down (or a release of one already up) changes nothing.
  if (((state_[code] & 0x80) != 0) == down) return;
  state_[code] = down ? 0x80 : 0;
  if (down) pressed_[code] = 0x80;
  if (queue_.size() < kQueueLimit) queue_.push_back({code, down});
}

void PlatformKeyboard::OnUnacquire() {
  std::memset(state_, 0, sizeof state_);
  std::memset(pressed_, 0, sizeof pressed_);
  queue_.clear();
}

uint32_t PlatformKeyboard::GetState(uint8_t (&state)[256]) {
  const uint32_t rc = CheckRead();
  if (rc != kInputOk) return rc;
  for (size_t i = 0; i < 256; ++i) state[i] = static_cast<uint8_t>(state_[i] | pressed_[i]);
  std::memset(pressed_, 0, sizeof pressed_);
  return kInputOk;
}

uint32_t PlatformKeyboard::GetEvents(PlatformKeyEvent* events, uint32_t* count) {
  const uint32_t wanted = *count;
  *count = 0;
  const uint32_t rc = CheckRead();
  if (rc != kInputOk) return rc;
  const size_t n = std::min<size_t>({wanted, bufferSize_, queue_.size()});
  for (size_t i = 0; i < n; ++i) {
    events[i] = queue_.front();
    queue_.pop_front();
  }
  *count = static_cast<uint32_t>(n);
  return kInputOk;
}
