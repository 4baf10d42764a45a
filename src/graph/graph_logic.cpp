#include "graph_logic.h"

#include <algorithm>

#include "graph_ids.h"

namespace vortlen {

GraphLogic::GraphLogic(Services services, int screenW, int screenH)
    : services_(services),
      link_(services.port),
      screenW_(std::max(screenW, 1)),
      screenH_(std::max(screenH, 1)),
      history_(static_cast<std::size_t>(screenW_)) {
  for (auto& trace : points_) trace.assign(static_cast<std::size_t>(screenW_), GraphPoint{});
  settings_ = readGraphSettings(services_.settings);
}

GraphLogic::~GraphLogic() {
  services_.timer.stop();
  writeGraphSettings(services_.settings, settings_);
}

void GraphLogic::setClientSize(int clientW, int clientH) {
  // A plot narrower than the captions' tenth has nothing to show; keep the arithmetic sane.
  W_ = std::max(clientW, 10);
  H7_ = std::max(clientH, 0) / 7 * 7;
  band_ = H7_ / 7;
}

void GraphLogic::start() {
  computeX();
  renderGraph();
  selectSet(settings_.activeSet);
  stopped_ = false;
  services_.timer.start(kPollPeriodMs);
}

void GraphLogic::computeX() {
  for (auto& trace : points_) {
    for (std::size_t i = 0; i < trace.size(); ++i) {
      trace[i].x = static_cast<std::int32_t>(i) * settings_.lineLength;
    }
  }
}

void GraphLogic::computeY() {
  const std::uint32_t bandH = band_ > 3 ? static_cast<std::uint32_t>(band_ - 3) : 0u;
  const std::size_t n = std::min(static_cast<std::size_t>(W_ - W_ / 10), history_.length());
  for (std::size_t k = 0; k < kTraceCount; ++k) {
    const std::uint32_t divisor = graphSet(settings_.activeSet).traces[k].divisor;
    const std::int32_t floor = static_cast<std::int32_t>((k + 1) * bandH + 3 * k);
    auto& trace = points_[k];
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t d = std::min(history_.at(k, i) * bandH / divisor, bandH);
      trace[i].y = floor - static_cast<std::int32_t>(d);
    }
  }
}

void GraphLogic::renderGraph() {
  const std::uint32_t fit = static_cast<std::uint32_t>(W_ - W_ / 10 + 28) /
                            static_cast<std::uint32_t>(settings_.lineLength);
  pointCount_ = sampleCount_ <= fit ? sampleCount_ : fit;
  services_.view.render();
}

void GraphLogic::drawLinkError(LinkResult result) {
  maskOverride_ = true;
  renderGraph();
  maskOverride_ = false;
  services_.view.drawErrorText(linkMessage(result), (W_ - W_ / 10 + 1) / 2,
                               static_cast<int>(band_ * 2.9));
  services_.view.present();
}

void GraphLogic::onTimer() {
  if (link_.lastResult() == LinkResult::Ok) history_.shift();
  const GraphSet& set = graphSet(settings_.activeSet);
  const LinkResult result = link_.transact(set.request);
  services_.timer.stop();
  services_.timer.start(kPollPeriodMs);
  if (result != LinkResult::Ok) {
    drawLinkError(result);
    return;
  }
  // The answer is taken as it stands; bytes past a short one keep what the buffer held.
  const std::span<const std::uint8_t> answer(link_.ResponseBuffer().data(), set.answerLength);
  for (std::size_t k = 0; k < kTraceCount; ++k) {
    const std::uint32_t raw = traceRaw(set.traces[k], answer);
    history_.setNewest(k, raw);
    values_[k] = traceText(set.traces[k].text, raw);
  }
  services_.view.pushTexts();
  if (sampleCount_ < static_cast<std::uint32_t>(screenW_ - W_ / 10)) ++sampleCount_;
  computeY();
  renderGraph();
  services_.view.present();
}

void GraphLogic::selectSet(int number) {
  settings_.activeSet = number;
  const GraphSet& set = graphSet(number);
  for (std::size_t k = 0; k < kTraceCount; ++k) captions_[k] = set.traces[k].caption;
  sampleCount_ = 0;
  services_.view.pushTexts();
}

void GraphLogic::renderAndPresentIfStopped() {
  if (!stopped_) return;
  renderGraph();
  services_.view.present();
}

void GraphLogic::command(int id) {
  for (int set = 1; set <= kGraphSetCount; ++set) {
    if (id == ids::kGraphSetCommands[set - 1]) {
      if (set != settings_.activeSet) selectSet(set);
      return;
    }
  }
  switch (id) {
    case ids::kCmdGraphStop:
      if (stopped_) {
        services_.timer.start(kPollPeriodMs);
      } else {
        services_.timer.stop();
      }
      stopped_ = !stopped_;
      services_.view.pushTexts();
      break;
    case ids::kCmdBlackOnWhite:
    case ids::kCmdWhiteOnBlack:
      settings_.blackOnWhite = id == ids::kCmdBlackOnWhite;
      services_.view.pushTexts();
      if (stopped_) services_.view.present();
      break;
    case ids::kCmdGraphHelp:
      services_.notifier.message(kGraphHelpText, kGraphHelpCaption, MessageIcon::None);
      break;
    case ids::kCmdGraphClose:
      services_.view.endDialog();
      break;
    default:
      break;
  }
}

bool GraphLogic::onChar(char32_t character) {
  if (character == U'-' && settings_.lineLength > 1) {
    --settings_.lineLength;
  } else if ((character == U'+' || character == U'=') && settings_.lineLength < 20) {
    ++settings_.lineLength;
  } else {
    return false;
  }
  computeX();
  renderAndPresentIfStopped();
  return true;
}

void GraphLogic::onValueClicked(std::size_t trace) {
  if (trace >= kTraceCount) return;
  settings_.enlargedMask[static_cast<std::size_t>(settings_.activeSet - 1)] ^=
      static_cast<std::uint8_t>(1u << trace);
  services_.view.pushTexts();
  renderAndPresentIfStopped();
}

}  // namespace vortlen
