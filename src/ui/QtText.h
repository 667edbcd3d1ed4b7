#pragma once
// The models speak UTF-8 std::string; the widgets QString. One short name for the
// conversion keeps the views' lines about what they show.

#include <QString>

#include <string>

namespace orva {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace orva
