// What the screenshot tools share: waiting on the event loop for something
// to happen, and writing a window as a PNG file.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dw::shots {

// Runs the event loop until `done` or `ms` milliseconds; false on time out.
bool waitUntil(const std::function<bool()>& done, int ms);

// Writes what `w` shows as DIR/NAME and prints the file's path; false,
// with a line on standard error, when it cannot be written.
bool save(QWidget& w, const QString& dir, const char* name);

} // namespace dw::shots
