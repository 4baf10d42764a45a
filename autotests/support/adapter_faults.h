#pragma once

// The simulated adapter's usual faults, for tests that switch the line into one.

#include "adapter_model.h"

namespace vortlen::test {

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

}  // namespace vortlen::test
