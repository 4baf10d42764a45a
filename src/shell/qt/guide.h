#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "window_services.h"

namespace vortlen {

/// Opens a URL in the desktop's own program for it (the browser, for the guide's page); false
/// when none took it. The program hands QDesktopServices::openUrl, the tests a fake.
using UrlOpener = std::function<bool(const QUrl&)>;

/// The places of the guide's HTML page, in the order they are tried: beside the installed
/// program (`<bin>/../share/vortlen3/guide/index.html`, the package's layout), on Windows in
/// `guide\` beside the program, and in a build with tests the build tree's copy, so that the
/// program run from its build finds it too. Cleaned, absolute paths.
QStringList guidePlaces(const QString& programDir);

/// «Руководство»: opens the first of `places` that exists with `open`, as a file URL, and
/// returns it. With none there, or no program to open it, `notifier` says so and where the
/// program looked; then the URL is empty.
QUrl openGuide(const QStringList& places, const UrlOpener& open, Notifier& notifier);

}  // namespace vortlen
