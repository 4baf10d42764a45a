#pragma once

// The simulated bench: the ECU model behind the adapter model behind a simulated port, shared
// as the program shares its port, with the fakes of the services every window is handed. The
// port's opens, closes and writes go into the same event log as the fakes' calls.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "adapter_model.h"
#include "ecu_model.h"
#include "shared_port.h"
#include "simulated_port.h"
#include "window_fakes.h"

namespace vortlen::test {

/// The adapter's usual faults, for tests that switch the line into one.
inline sim::AdapterOptions adapterOff() {
  sim::AdapterOptions options;
  options.echo = false;
  return options;
}

inline sim::AdapterOptions silentEcu() {
  sim::AdapterOptions options;
  options.silentEcu = true;
  return options;
}

inline sim::AdapterOptions badChecksum() {
  sim::AdapterOptions options;
  options.badChecksum = true;
  return options;
}

/// How COM1 is at the start: no such device at all, there but closed, or open.
enum class Com1 { Missing, Present, Open };

/// Passes everything to the simulated port and notes the calls that tell the order of things.
class LoggedPort final : public SerialPort {
 public:
  LoggedPort(SerialPort& inner, EventLog& log) : inner_(inner), log_(log) {}
  bool open(const char* name) override {
    const bool opened = inner_.open(name);
    log_.push_back(std::string("open ") + name + (opened ? "" : " failed"));
    return opened;
  }
  bool isOpen() const override { return inner_.isOpen(); }
  PortError openError() const override { return inner_.openError(); }
  void close() override {
    log_.push_back("close");
    inner_.close();
  }
  void purge() override { inner_.purge(); }
  std::size_t write(const std::uint8_t* data, std::size_t n) override {
    log_.push_back("write " + std::to_string(n) + " bytes");
    return inner_.write(data, n);
  }
  std::size_t read(std::uint8_t* buffer, std::size_t n) override { return inner_.read(buffer, n); }

 private:
  SerialPort& inner_;
  EventLog& log_;
};

struct SimulatedBench {
  explicit SimulatedBench(Com1 com1 = Com1::Open) {
    if (com1 == Com1::Missing) simulated.setDeviceExists("COM1", false);
    if (com1 != Com1::Missing) portExists(1);
    if (com1 == Com1::Open) port.openPort(1);
  }

  /// Makes COM n a device that opens, or one another program holds.
  void portExists(unsigned n, bool busy = false) {
    simulated.setDeviceExists(comDevicePath(n), true);
    simulated.setDeviceBusy(comDevicePath(n), busy);
  }

  /// The request the ECU heard last, without its checksum; empty before the first.
  std::vector<std::uint8_t> lastRequest() const {
    return ecu.requests().empty() ? std::vector<std::uint8_t>{} : ecu.requests().back();
  }

  EventLog log;
  sim::EcuModel ecu;
  sim::AdapterModel adapter{ecu};
  sim::SimulatedPort simulated{adapter};
  LoggedPort device{simulated, log};
  SharedPort port{device};
};

/// A test on the simulated bench. The fakes write into the bench's event log.
class SimulatedBenchTest : public ::testing::Test, public SimulatedBench {
 protected:
  explicit SimulatedBenchTest(Com1 com1 = Com1::Open) : SimulatedBench(com1), com1_(com1) {}

  void SetUp() override {
    if (com1_ == Com1::Open) {
      ASSERT_TRUE(port.isOpen());
    }
  }

  FakeTimer timer{&log};
  FakeNotifier notifier{&log};
  FakeSleeper sleeper{&log};
  MemorySettings settings{&log};
  FakePowerOff powerOff{&log};

 private:
  Com1 com1_;
};

}  // namespace vortlen::test
