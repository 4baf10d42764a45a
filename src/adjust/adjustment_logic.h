#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "ecu_link.h"
#include "shared_port.h"
#include "window_services.h"

namespace vortlen {

/// The four slider windows that override or trim ECU values.
enum class AdjustmentKind { Co, Ignition, Coolant, IdleValve };

struct SliderRange {
  int min = 0;
  int max = 0;
  int tick = 1;  // a tick mark every `tick` positions
};

/// What tells one slider window from the others.
struct AdjustmentTraits {
  int templateId = 0;
  const char* caption = "";
  int width = 0;  // screen pixels, frame included
  int height = 0;
  int sliderCount = 1;
  std::array<SliderRange, 2> ranges{};
  const char* refusalText = "";
};

const AdjustmentTraits& adjustmentTraits(AdjustmentKind kind);

/// Screen rectangle of a window, frame included.
struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

/// Where the window goes, from the main window's client size and the screen position of its
/// client area.
ScreenRect adjustmentPlacement(AdjustmentKind kind, int ownerWidth, int ownerHeight, int ownerX,
                               int ownerY);

/// Bits of the program-wide override mask (ECU code 0x0B) the mask windows share.
namespace override_bits {
inline constexpr std::uint8_t kAdvance = 0x04;    // code 0x26
inline constexpr std::uint8_t kOffset = 0x08;     // code 0x28
inline constexpr std::uint8_t kIdleValve = 0x20;  // code 0x5B
inline constexpr std::uint8_t kCoolant = 0x80;    // code 0x1A
}  // namespace override_bits

inline const std::string kAdjustErrorTitle = "Вортлен3 ошибка";
/// The window's line when its override went away without the window asking.
inline const std::string kReleasedAfterLossText = "Связь восстанавливалась: управление снято";
inline const std::string kReleasedByOtherText = "Управление снято другим окном";
inline const std::string kAdjustQuestionTitle = "Вортлен3";

/// One slider window's behaviour: the read when it is shown, the write when a slider is let go,
/// and the close with its storing questions and the clearing request. Slider 0 is the upper
/// slider (1035, field 1030), slider 1 the lower one (1036, field 1031).
class AdjustmentLogic final : public ControlHolder {
 public:
  /// `overrideMask` is the one mask of the whole program; the CO window leaves it alone.
  AdjustmentLogic(AdjustmentKind kind, SharedPort& port, Notifier& notifier,
                  std::uint8_t& overrideMask);
  ~AdjustmentLogic() override;
  AdjustmentLogic(const AdjustmentLogic&) = delete;
  AdjustmentLogic& operator=(const AdjustmentLogic&) = delete;

  AdjustmentKind kind() const { return kind_; }
  const AdjustmentTraits& traits() const { return adjustmentTraits(kind_); }

  /// Each showing: reads the ECU and puts the sliders where its values say, or at their
  /// failure positions. No message on failure.
  void onShow();

  /// The view moved slider `slider` (mouse, keyboard or program). Clamped to the range.
  void setPosition(int slider, int position);
  int position(int slider) const { return positions_.at(static_cast<std::size_t>(slider)); }
  /// The value field beside slider `slider`, in step with its position.
  std::string valueText(int slider) const;

  /// The user let go of slider `slider`: sends its value and reports a failure or refusal.
  void onSliderReleased(int slider);

  /// The close procedure. Returns false when the user cancelled and the window stays open;
  /// true when the overrides are cleared and the window is to be hidden. A clearing request
  /// the ECU does not confirm while it holds an override is sent up to three times, then the
  /// mechanic is warned.
  bool onClose();

  const std::array<std::uint8_t, 2>& readValue() const { return readValue_; }
  EcuLink& link() { return link_; }

  /// The override this window wrote went away without it (the link came back after a loss,
  /// or another window released everything): the sliders go back to where the ECU's own values
  /// put them when the window was shown, and notice() says why. `changed` then runs.
  void controlReleased(Cause cause) override;
  bool holdsControl() const override;
  /// The window's line; empty while nothing needs saying.
  const std::string& notice() const { return notice_; }
  /// Runs when the logic changed the positions or the notice by itself.
  void setChangedListener(std::function<void()> changed) { changed_ = std::move(changed); }

 private:
  // The register and bits of the ECU that this window's override occupies.
  std::uint8_t heldCode() const;
  std::uint8_t heldBits() const;
  bool write(const std::uint8_t* request, std::size_t length);
  bool askToStore(const std::string& question, std::uint8_t item);
  void sendMask();
  // A clearing request, checked: retried, and the mechanic warned when it does not arrive.
  void release(const std::uint8_t* request, std::size_t length);

  AdjustmentKind kind_;
  Notifier& notifier_;
  std::uint8_t& overrideMask_;
  EcuLink link_;
  std::array<int, 2> positions_{};
  std::array<std::uint8_t, 2> readValue_{};
  std::array<int, 2> shownPositions_{};
  bool holding_ = false;
  std::string notice_;
  std::function<void()> changed_;
};

}  // namespace vortlen
