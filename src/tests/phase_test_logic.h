#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ecu_link.h"
#include "window_services.h"

namespace vortlen {

/// Coolant, ignition advance, intake vacuum (two bytes) and engine speed, in that order.
inline constexpr std::array<std::uint8_t, 5> kPhaseTestRequest = {0x61, 0x1A, 0x26, 0x23, 0x2C};

inline constexpr int kPhasePictureWidth = 600;
inline constexpr int kPhasePictureHeight = 510;

/// What one tick of the timing-phase test draws over its grid.
struct PhaseFrame {
  enum class Kind { Grid, Failure, Reading };
  Kind kind = Kind::Grid;
  std::string failure;                // the link's message, drawn at (180, 202)
  std::array<std::string, 4> values;  // temperature, advance, vacuum, speed, with their labels
  int vacuumX = 0;                    // the vertical line, 0..599
  int speedY = 0;                     // the horizontal line, 0..510
};

/// The picture the window paints: the grid, the texts and the lines of a frame.
class PhaseTestView {
 public:
  virtual ~PhaseTestView() = default;
  /// Draw the background and the frame into the picture and copy it to the window.
  virtual void drawFrame(const PhaseFrame& frame) = 0;
};

/// The timing-phase test for the carburettor ЗМЗ 4063: reads its five codes every 90 ms after
/// the exchange and turns them into a frame. A failure shows over the bare grid, no box.
class PhaseTestLogic {
 public:
  static constexpr int kPollPeriodMs = 90;

  PhaseTestLogic(SharedPort& port, WindowTimer& timer, PhaseTestView& view);
  ~PhaseTestLogic();
  PhaseTestLogic(const PhaseTestLogic&) = delete;
  PhaseTestLogic& operator=(const PhaseTestLogic&) = delete;

  void onInit();
  void onTimer();

  const PhaseFrame& frame() const { return frame_; }

 private:
  EcuLink link_;
  WindowTimer& timer_;
  PhaseTestView& view_;
  PhaseFrame frame_;
};

/// The frame for a five-byte answer.
PhaseFrame phaseFrame(const std::uint8_t* answer);

/// The reminder written under the picture on every good tick.
inline constexpr const char* kPhaseTestReminder = "выключите все дополнительные энергопотребители";

}  // namespace vortlen
