#include "passport_logic.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "ecu_services.h"
#include "oem_text.h"

namespace vortlen {

namespace {

constexpr const char* kCaption = "Вортлен 3";

// The captions are padded so that the texts line up roughly in the list's proportional font.
constexpr std::string_view kEcuType = "Тип ЭБУ                             ";
constexpr std::string_view kProgram = "Паспорт программы    ";
constexpr std::string_view kLinks = "Таблица ссылок            ";
constexpr std::string_view kCalibration = "Калибровка                     ";
constexpr std::string_view kIssueDate = "Дата выпуска                 ";
constexpr std::string_view kEngine = "Двигатель                        ";

constexpr std::string_view kLineCaptions[8] = {kEcuType, kProgram,     kLinks,     kEcuType,
                                               kLinks,   kCalibration, kIssueDate, kEngine};

constexpr std::uint8_t kFieldCodes[PassportLogic::kFieldCount] = {0x74, 0x75, 0x76, 0x77,
                                                                  0x79, 0x7A, 0x7B};

constexpr std::array<std::uint8_t, 7> kReadConfiguration = {
    ecu::kReadValues, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

constexpr const char* kReserved = "Reserved";

constexpr const char* kConfigurationTable[6][8] = {
    {"Постоянное питание ЭБУ", "Основной 1й датчик кислорода", "Датчик детонации",
     "Датчик температуры воздуха", "Датчик фазы", "Датчик фазы в створе датчика ВМТ",
     "Датчик скорости", "Потенциометр СО"},
    {"Противобуксовочная система", "Датчик положения клапана рециркуляции EGR",
     "Датчик положения клапана адсорбера ADS", "Датчик давления усилителя руля",
     "Дополнительный 2й датчик кислорода", "Датчик массового расхода воздуха с прожигом",
     "Датчик положения дроссельной заслонки", "Датчик температуры ОЖ"},
    {"Энергонезависимая память IROM", "Использвание коррекции АЦП из IROM", "Иммобилизатор",
     "Использвание RCO из IROM", "Блокировка отключения топлива при замедлении",
     "Асинхронная топливоподача при повторном пуске", "Адаптация нуля дросселя",
     "Адаптация частоты вращения холостого хода"},
    {"Адаптация установки сечения РДВ на ХХ", "Датчик кислорода с управляемым нагревом", kReserved,
     kReserved, kReserved, kReserved, "Топливные форсунки", "Катушки зажигания"},
    {"Лампа неисправностей", "Электрический бензонасос", "Пусковая форсунка", "Клапан рециркуляции",
     "Адсорбер", "Тахометр", "Индикатор расхода топлива", "Кондиционер"},
    {"Вентилятор охлаждения", kReserved, "Регулятор дополнительного воздуха РДВ", "Клапан ЭПХХ",
     "Компрессор вторичного воздуха", "Управляемая впускная система",
     "Система управления газораспределением", kReserved},
};

/// Steps 1..7 read texts 0x52..0x58, steps 8..14 the fields.
std::array<std::uint8_t, 2> stepRequest(int step) {
  if (step <= 7) return {static_cast<std::uint8_t>(ecu::kFirstText + step), 0};
  return {ecu::kReadValues, kFieldCodes[step - 8]};
}

std::size_t stepRequestLength(int step) {
  return step <= 7 ? 1 : 2;
}

/// A character's place in the order a Russian reader sorts by, capitals and small letters alike,
/// from its code page 866 byte: other signs and digits first, then Latin, then Cyrillic with Ё
/// right after Е (as the system's list sorts them).
int collationKey(std::uint8_t c) {
  constexpr int kLatin = 0x100;
  constexpr int kCyrillic = 0x200;
  constexpr int kIe = 5;  // Е in А..Я
  if (c >= 'A' && c <= 'Z') return kLatin + (c - 'A');
  if (c >= 'a' && c <= 'z') return kLatin + (c - 'a');
  int letter = -1;
  if (c >= 0x80 && c <= 0x9F)
    letter = c - 0x80;  // А..Я
  else if (c >= 0xA0 && c <= 0xAF)
    letter = c - 0xA0;  // а..п
  else if (c >= 0xE0 && c <= 0xEF)
    letter = c - 0xE0 + 16;  // р..я
  if (letter >= 0) return kCyrillic + 2 * letter + (letter > kIe ? 2 : 0);
  if (c == 0xF0 || c == 0xF1) return kCyrillic + 2 * kIe + 1;  // Ё ё
  return c < 0x80 ? c : kCyrillic + 0x80 + c;
}

bool russianOrder(const std::string& a, const std::string& b) {
  const std::string oemA = utf8ToOem(a);
  const std::string oemB = utf8ToOem(b);
  const auto key = [](char c) { return collationKey(static_cast<std::uint8_t>(c)); };
  const auto less = [&key](char x, char y) { return key(x) < key(y); };
  if (std::lexicographical_compare(oemA.begin(), oemA.end(), oemB.begin(), oemB.end(), less)) {
    return true;
  }
  if (std::lexicographical_compare(oemB.begin(), oemB.end(), oemA.begin(), oemA.end(), less)) {
    return false;
  }
  return a < b;  // the same letters: capitals first
}

}  // namespace

std::vector<std::string> configurationItems(const std::array<std::uint8_t, 6>& bytes) {
  std::vector<std::string> items;
  for (std::size_t j = 0; j < bytes.size(); ++j) {
    for (int i = 0; i < 8; ++i) {
      if ((bytes[j] >> i) & 1u) items.emplace_back(kConfigurationTable[j][i]);
    }
  }
  std::sort(items.begin(), items.end(), russianOrder);
  return items;
}

std::array<std::uint8_t, 20> fieldWriteRequest(std::uint8_t code, const std::string& utf8Text) {
  std::array<std::uint8_t, 20> request{ecu::kWriteValues, ecu::kCommand, ecu::kCommandStore, code};
  const std::string oem = utf8ToOem(utf8Text);
  std::copy_n(oem.begin(), std::min(oem.size(), PassportLogic::kFieldLength), request.begin() + 4);
  return request;
}

void PassportLogic::onInit() {
  services_.sleeper.sleep(kPeriodMs);
  step_ = 0;
  const std::array<std::uint8_t, 1> request = {ecu::kFirstText};
  const LinkResult result = link_.transact(request);
  if (result != LinkResult::Ok) {
    services_.notifier.message(std::string(linkMessage(result)), kCaption, MessageIcon::Stop);
    return;
  }
  services_.timer.start(kPeriodMs);
}

void PassportLogic::failed(LinkResult result) {
  services_.notifier.message(std::string(linkMessage(result)), kCaption, MessageIcon::Stop);
}

void PassportLogic::onTimer() {
  if (step_ >= kLastStep) {
    readConfiguration();
    return;
  }
  LinkResult result = link_.lastResult();  // step 0 uses the answer of the first request
  if (step_ > 0) result = link_.transact(stepRequest(step_).data(), stepRequestLength(step_));
  services_.timer.stop();
  if (result != LinkResult::Ok) {
    failed(result);
    return;
  }
  // Only the bytes this answer carried: the buffer still holds the tail of a longer text.
  const std::size_t carried = std::min(link_.answerLength(), ecu::kTextLength);
  const std::string text = ecuText(std::span(link_.ResponseBuffer().data(), carried), carried);
  services_.timer.start(kPeriodMs);
  if (step_ <= 7) {
    lines_.push_back(std::string(kLineCaptions[step_]) + text);
  } else {
    fieldTexts_[static_cast<std::size_t>(step_ - 8)] = text;
    fieldRead_[static_cast<std::size_t>(step_ - 8)] = true;
    // Every field step puts all seven texts back into the edits, over what was typed.
    fieldEdited_ = {};
    for (std::size_t i = 0; i < editTexts_.size(); ++i) {
      if (editTexts_[i] != fieldTexts_[i]) {
        editTexts_[i] = fieldTexts_[i];
        writeEnabled_ = true;
      }
    }
  }
  ++step_;
  services_.view.refresh();
}

void PassportLogic::readConfiguration() {
  services_.timer.stop();
  if (link_.transact(kReadConfiguration) != LinkResult::Ok) return;
  std::array<std::uint8_t, 6> bytes{};
  // A short answer lists only what it carries.
  const std::size_t carried = std::min(link_.answerLength(), bytes.size());
  std::copy_n(link_.ResponseBuffer().begin(), carried, bytes.begin());
  configuration_ = configurationItems(bytes);
  services_.view.refresh();
}

void PassportLogic::onEdited(int index, const std::string& text) {
  if (index < 0 || index >= kFieldCount) return;
  auto& shown = editTexts_[static_cast<std::size_t>(index)];
  if (shown == text) return;
  shown = text;
  fieldEdited_[static_cast<std::size_t>(index)] = true;
  writeEnabled_ = true;
  services_.view.refresh();
}

void PassportLogic::write() {
  writeEnabled_ = false;
  services_.view.refresh();
  std::array<bool, kFieldCount> known{};
  for (std::size_t i = 0; i < known.size(); ++i) known[i] = fieldRead_[i] || fieldEdited_[i];
  if (std::find(known.begin(), known.end(), true) == known.end()) return;

  LinkResult firstFailure = LinkResult::Ok;
  std::uint8_t firstRefusal = ecu::kCompletionDone;
  auto send = [&](const std::uint8_t* request, std::size_t length) {
    const LinkResult result = link_.transact(request, length);
    if (result != LinkResult::Ok) {
      if (firstFailure == LinkResult::Ok) firstFailure = result;
    } else if (link_.answerLength() > 0 && link_.ResponseBuffer()[0] != ecu::kCompletionDone &&
               firstRefusal == ecu::kCompletionDone) {
      firstRefusal = link_.ResponseBuffer()[0];
    }
  };
  for (std::size_t i = 0; i < editTexts_.size(); ++i) {
    if (!known[i]) continue;
    const auto request = fieldWriteRequest(kFieldCodes[i], editTexts_[i]);
    send(request.data(), request.size());
    fieldTexts_[i] = editTexts_[i];
    fieldRead_[i] = true;
    services_.sleeper.sleep(kWriteWaitMs);
  }
  const std::array<std::uint8_t, 5> passportFlag = {ecu::kWriteValues, ecu::kCommand,
                                                    ecu::kCommandStore, ecu::kPassportFlag, 0x01};
  send(passportFlag.data(), passportFlag.size());
  services_.sleeper.sleep(kWriteWaitMs);
  const std::array<std::uint8_t, 5> fieldFlag = {ecu::kWriteValues, ecu::kCommand,
                                                 ecu::kCommandStore, ecu::kFieldFlag, 0x01};
  send(fieldFlag.data(), fieldFlag.size());

  // The mechanic must know when the fields did not reach the ECU.
  if (firstFailure != LinkResult::Ok) {
    services_.notifier.message(std::string(linkMessage(firstFailure)), kCaption, MessageIcon::Stop);
  } else if (firstRefusal != ecu::kCompletionDone) {
    services_.notifier.message(
        "ЭБУ не может выполнить операцию, номер ошибки " + std::to_string(firstRefusal), kCaption,
        MessageIcon::Exclamation);
  }
}

void PassportLogic::onClose() {
  services_.timer.stop();
}

}  // namespace vortlen
