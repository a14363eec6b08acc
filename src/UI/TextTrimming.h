#pragma once

#include <QString>

namespace TextTrimming {

// Removes spaces and tabs (not line breaks) from both ends.
QString spacesAndTabs(const QString &text);

} // namespace TextTrimming
