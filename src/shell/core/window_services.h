#pragma once

#include <string>

namespace vortlen {

/// The caption of the program's message boxes.
inline const std::string kBoxCaption = "Вортлен";

/// A window's timer 1. It is periodic: it fires every period until stopped, and starting a
/// running timer re-arms it with the new period, counted from the call.
class WindowTimer {
 public:
  virtual ~WindowTimer() = default;
  virtual void start(int periodMs) = 0;
  virtual void stop() = 0;
  virtual bool isRunning() const = 0;
};

enum class MessageIcon { Stop, Exclamation, Information, None };
enum class Answer { Yes, No, Cancel };

/// The message boxes. Both block until the user has answered. Texts are UTF-8.
class Notifier {
 public:
  virtual ~Notifier() = default;
  /// A box with one OK button.
  virtual void message(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  /// A question with Yes, No and Cancel; No is the default button.
  virtual Answer ask(const std::string& text, const std::string& caption) = 0;
};

/// The short blocking waits between requests (100 ms and the like).
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void sleep(int ms) = 0;
};

}  // namespace vortlen
