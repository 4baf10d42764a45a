// One set request through the real serial code to the simulator, which paces its bytes at
// 9600 baud as the K-Line does: how much longer than the wire itself does a transaction take?
// Straight from the adapter, and behind a USB-serial bridge whose latency timer is 16 ms (the
// common chips' default) and 1 ms (what the program asks the driver for).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "ecu_link.h"
#include "ecusim_process.h"
#include "frame_codec.h"
#include "posix_serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::array<std::uint8_t, 15> kSetOne = {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A,
                                                  0x63, 0x29, 0x26, 0x35, 0x23, 0x5C, 0x34};
constexpr double kByteMs = 10.0 * 1000.0 / 9600.0;  // start bit, 8 data bits, stop bit

std::size_t frameLength(const std::uint8_t* data, std::size_t length) {
  std::array<std::uint8_t, vortlen::maxFrameLength(300)> frame{};
  return vortlen::encodeFrame(data, length, frame.data());
}

void setOneTransaction(benchmark::State& state) {
  std::vector<std::string> options = {"--pace"};
  if (state.range(0) > 0)
    options.insert(options.end(), {"--usb-latency", std::to_string(state.range(0))});
  vortlen::test::EcusimProcess sim(options);
  ::setenv("VORTLEN3_COM1", sim.portPath().c_str(), 1);
  vortlen::PosixSerialPort device;
  vortlen::SharedPort port(device);
  if (!port.openPort(1)) {
    state.SkipWithError("the simulator's port did not open");
    return;
  }
  vortlen::EcuLink link(port);

  std::vector<double> times;
  std::size_t failures = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const vortlen::LinkResult result = link.transact(kSetOne);
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (result != vortlen::LinkResult::Ok) ++failures;
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  // The answer's frame: its data bytes and the checksum, escaped, and the terminator.
  std::array<std::uint8_t, 257> answer{};
  std::copy_n(link.ResponseBuffer().begin(), link.answerLength(), answer.begin());
  const std::size_t wireBytes =
      frameLength(kSetOne.data(), kSetOne.size()) + frameLength(answer.data(), link.answerLength());
  const double wireMs = static_cast<double>(wireBytes) * kByteMs;

  state.counters["median_ms"] = median;
  state.counters["wire_ms"] = wireMs;
  state.counters["ratio"] = median / wireMs;
  state.counters["wire_bytes"] = static_cast<double>(wireBytes);
  state.counters["failures"] = static_cast<double>(failures);
}

}  // namespace

BENCHMARK(setOneTransaction)
    ->ArgName("usb_latency_ms")
    ->Arg(0)
    ->Arg(16)
    ->Arg(1)
    ->Iterations(100)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
