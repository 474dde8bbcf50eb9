#pragma once
#include <QString>
#include <string>

// The main window's design: sizes, intervals and texts shared by its source files.
namespace velk::design {

inline constexpr int clientwidth = 523;
inline constexpr int clientheight = 555;
inline constexpr int panelheight = 227;
inline constexpr int designinterval = 30000;
inline constexpr int autosaveinterval = 300000;
// How soon a window hidden in the tray comes to the task bar when the tray goes away, where the
// desktop does not say so itself.
inline constexpr int traywatchms = 1000;
// Qt learns of a tray's end from the same server a moment later than the announcement may come.
inline constexpr int traysettlems = 300;
inline constexpr const char* designcaption = "[Orlimbo]";
inline constexpr const char* designtime = "0000-00-00 00:00 mon";

inline QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace velk::design
