#pragma once

// Stand-ins for the services a window's logic is handed, recording what the logic asked of
// them. Where order matters across services, hand them one shared event log.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "power_off.h"
#include "settings_store.h"
#include "window_services.h"

namespace vortlen::test {

using EventLog = std::vector<std::string>;

class FakeTimer final : public WindowTimer {
 public:
  explicit FakeTimer(EventLog* log = nullptr) : log_(log) {}
  void start(int periodMs) override {
    running_ = true;
    period_ = periodMs;
    starts.push_back(periodMs);
    if (log_) log_->push_back("timer start " + std::to_string(periodMs));
  }
  void stop() override {
    running_ = false;
    ++stops;
    if (log_) log_->push_back("timer stop");
  }
  bool isRunning() const override { return running_; }
  int period() const { return period_; }

  std::vector<int> starts;  // the period of every start, in order
  int stops = 0;

 private:
  EventLog* log_;
  bool running_ = false;
  int period_ = 0;
};

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

class FakeNotifier final : public Notifier {
 public:
  explicit FakeNotifier(EventLog* log = nullptr) : log_(log) {}
  void message(const std::string& text, const std::string& caption, MessageIcon icon) override {
    messages.push_back({text, caption, icon});
    if (log_) log_->push_back("message " + text);
  }
  Answer ask(const std::string& text, const std::string& caption) override {
    questions.push_back({text, caption, MessageIcon::Information});
    if (log_) log_->push_back("ask " + text);
    if (answers.empty()) return Answer::No;
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<ShownMessage> messages;
  std::vector<ShownMessage> questions;
  std::deque<Answer> answers;  // given to ask() in order; No when empty

 private:
  EventLog* log_;
};

class FakeSleeper final : public Sleeper {
 public:
  explicit FakeSleeper(EventLog* log = nullptr) : log_(log) {}
  void sleep(int ms) override {
    sleeps.push_back(ms);
    if (log_) log_->push_back("sleep " + std::to_string(ms));
    if (onSleep) onSleep(ms);
  }
  std::vector<int> sleeps;
  std::function<void(int)> onSleep;  // what the world looks like while the program waits

 private:
  EventLog* log_;
};

/// Settings kept in memory, as "subkey/name".
class MemorySettings final : public SettingsStore {
 public:
  explicit MemorySettings(EventLog* log = nullptr) : log_(log) {}
  std::uint32_t readSetting(const std::string& subkey, const std::string& name,
                            std::uint32_t fallback) override {
    const auto found = values.find(subkey + "/" + name);
    return found == values.end() ? fallback : found->second;
  }
  void writeSetting(const std::string& subkey, const std::string& name,
                    std::uint32_t value) override {
    values[subkey + "/" + name] = value;
    if (log_) log_->push_back("write " + subkey + "/" + name + "=" + std::to_string(value));
  }
  std::map<std::string, std::uint32_t> values;

 private:
  EventLog* log_;
};

class FakePowerOff final : public PowerOff {
 public:
  explicit FakePowerOff(EventLog* log = nullptr) : log_(log) {}
  void powerOff() override {
    ++calls;
    if (log_) log_->push_back("power off");
  }
  int calls = 0;

 private:
  EventLog* log_;
};

}  // namespace vortlen::test
