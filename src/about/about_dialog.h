#pragma once

#include <QDialog>
#include <QLabel>
#include <QUrl>
#include <functional>

namespace vortlen {

/// A static text that reports clicks, as the about window's two link texts do.
class ClickableText final : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

/// The about window: what the program is for, and two links to its maker. Modal; it does not
/// talk to the ECU, so the main window's polling goes on while it is open.
class AboutDialog final : public QDialog {
 public:
  /// Opens a link in the system's mail program or browser; the result is not examined.
  using LinkOpener = std::function<void(const QUrl&)>;

  /// `openLink`: none means the desktop's own (QDesktopServices::openUrl).
  explicit AboutDialog(QWidget* parent = nullptr, LinkOpener openLink = {});

  static QUrl mailUrl();
  static QUrl webUrl();

 private:
  LinkOpener openLink_;
};

/// The wiring diagram of the K-Line adapter (bitmap 152) at its own size. Modal; closes with
/// its close box, Escape or Enter.
class AdapterSchemeDialog final : public QDialog {
 public:
  explicit AdapterSchemeDialog(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace vortlen
