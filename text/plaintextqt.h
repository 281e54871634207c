// The QString side of text/plaintext.h, for the windows that show names and
// other text from peers and files.
#pragma once

#include "text/plaintext.h"

#include <QString>

#include <string>
#include <string_view>

namespace dw {

// displayText() of UTF-8 `text`, as a QString.
inline QString displayQText(std::string_view text) {
    const std::string shown = displayText(text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

inline QString displayQText(const QString& text) {
    return displayQText(text.toStdString());
}

} // namespace dw
