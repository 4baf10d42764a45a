#include "qsettings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace vortlen {

namespace {

constexpr std::uint64_t kMaxValue = std::numeric_limits<std::uint32_t>::max();

std::unique_ptr<QSettings> openStore() {
#ifdef Q_OS_WIN
  return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Vortlen3"),
                                     QSettings::NativeFormat);
#else
  // The same file as QSettings(IniFormat, UserScope, "Vortlen3", "Vortlen3"), but without the
  // system-wide fallbacks, and with the path taken afresh rather than from QSettings' cache.
  const QString configHome =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return std::make_unique<QSettings>(configHome + QStringLiteral("/Vortlen3/Vortlen3.ini"),
                                     QSettings::IniFormat);
#endif
}

std::optional<std::uint32_t> parseDecimal(QStringView text) {
  text = text.trimmed();
  if (text.isEmpty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
    if (value > kMaxValue) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::optional<std::uint32_t> toValue(const QVariant& stored) {
  switch (stored.typeId()) {
    case QMetaType::Int:
      // The registry hands a DWORD back as a signed int: the bits are the value.
      return static_cast<std::uint32_t>(stored.toInt());
    case QMetaType::UInt:
      return stored.toUInt();
    case QMetaType::LongLong: {
      const qlonglong value = stored.toLongLong();
      if (value < 0 || static_cast<std::uint64_t>(value) > kMaxValue) return std::nullopt;
      return static_cast<std::uint32_t>(value);
    }
    case QMetaType::ULongLong: {
      const qulonglong value = stored.toULongLong();
      if (value > kMaxValue) return std::nullopt;
      return static_cast<std::uint32_t>(value);
    }
    case QMetaType::QString:
      return parseDecimal(stored.toString());
    case QMetaType::QByteArray:
      return parseDecimal(QString::fromLatin1(stored.toByteArray()));
    default:
      return std::nullopt;
  }
}

// Why the store could not be written, in words for the user.
std::string saveFailure(const QSettings& settings) {
  const QString path = settings.fileName();
  if (settings.format() == QSettings::NativeFormat && !QFileInfo(path).isAbsolute()) {
    return path.toStdString() + ": запись в реестр не удалась";
  }
  const QFileInfo file(path);
  const QFileInfo folder(file.absolutePath());
  QString why;
  if (file.isDir()) {
    why = QStringLiteral("на месте файла находится папка");
  } else if (folder.exists() && !folder.isDir()) {
    why = QStringLiteral("на месте папки %1 находится файл").arg(folder.absoluteFilePath());
  } else if (!folder.exists()) {
    why = QStringLiteral("папку %1 нельзя создать").arg(folder.absoluteFilePath());
  } else if (!folder.isWritable()) {
    why = QStringLiteral("нет права записи в папку %1").arg(folder.absoluteFilePath());
  } else if (file.exists() && !file.isWritable()) {
    why = QStringLiteral("файл только для чтения");
  } else {
    why = QStringLiteral("файл не удалось записать (диск заполнен?)");
  }
  return (QDir::toNativeSeparators(path) + QStringLiteral(": ") + why).toStdString();
}

}  // namespace

std::uint32_t QSettingsStore::readSetting(const std::string& subkey, const std::string& name,
                                          std::uint32_t fallback) {
  const auto settings = openStore();
  settings->beginGroup(QString::fromStdString(subkey));
  const QVariant stored = settings->value(QString::fromStdString(name));
  if (!stored.isValid()) return fallback;
  return toValue(stored).value_or(fallback);
}

void QSettingsStore::writeSetting(const std::string& subkey, const std::string& name,
                                  std::uint32_t value) {
  const auto settings = openStore();
  settings->beginGroup(QString::fromStdString(subkey));
  settings->setValue(QString::fromStdString(name), static_cast<uint>(value));
  settings->endGroup();
  settings->sync();
  if (settings->status() != QSettings::NoError && problem_.empty()) {
    problem_ = saveFailure(*settings);
  }
}

std::string QSettingsStore::takeSaveProblem() {
  return std::exchange(problem_, {});
}

}  // namespace vortlen
